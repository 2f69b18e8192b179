# Signed e-books, end to end; sourced by tests/e2e/run.sh, whose $work, $native_cli, $book,
# flags and check it uses. A throwaway certificate is made here with openssl. Each book is signed
# by osslsigncode directly and by pagevane-cli sign; both verify and read (list, extract, check);
# the failures of sign leave the e-book as it was; a build over a signed e-book gives an unsigned
# one. Leaves $work/sign/signed-start.exe, a signed copy of the e-book that run.sh starts under
# Wine (set $sign_start to the unsigned one first).
sig=$work/sign
mkdir -p "$sig"
if ! command -v osslsigncode >/dev/null || ! command -v openssl >/dev/null; then
  fail "signing needs osslsigncode and openssl (scripts/bootstrap.sh installs them)"
  return 0
fi
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$sig/key.pem" -out "$sig/cert.pem" -days 2 \
  -subj "/CN=Pagevane Test Signer/O=Throwaway" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -keyout "$sig/locked.pem" -passout pass:right \
  -out "$sig/locked-cert.pem" -days 2 -subj "/CN=Locked" 2>/dev/null
echo right >"$sig/right.pass"
echo wrong >"$sig/wrong.pass"
sign_args=(--cert "$sig/cert.pem" --key "$sig/key.pem")
verifies() { osslsigncode verify -in "$1" -CAfile "${2:-$sig/cert.pem}" >/dev/null 2>&1; }

# Two books, one whose length is a multiple of 8 (the signer adds no padding) and one whose is not:
# the author's name is lengthened until each kind has turned up.
aligned= unaligned=
for n in 1 2 3 4 5 6 7 8; do
  name=$(printf 'A%.0s' $(seq $n))
  "$native_cli" build "$book" -o "$sig/book$n.exe" "${flags[@]}" --author "$name" 2>/dev/null
  if [ $(($(stat -c %s "$sig/book$n.exe") % 8)) -eq 0 ]; then
    [ -z "$aligned" ] && aligned=book$n
  else
    [ -z "$unaligned" ] && unaligned=book$n
  fi
  [ -n "$aligned" ] && [ -n "$unaligned" ] && break
done
check "books of a length that is a multiple of 8 and of another length" \
  test -n "$aligned" -a -n "$unaligned"

for b in $aligned $unaligned; do
  osslsigncode sign -certs "$sig/cert.pem" -key "$sig/key.pem" -h sha256 -in "$sig/$b.exe" \
    -out "$sig/$b-direct.exe" >/dev/null 2>&1
  cp "$sig/$b.exe" "$sig/$b-cli.exe"
  "$native_cli" sign "$sig/$b-cli.exe" "${sign_args[@]}" >"$sig/$b-sign.out" 2>"$sig/$b-sign.err"
  check "$b: pagevane-cli sign exits 0" test $? -eq 0 -a ! -s "$sig/$b-sign.err"
  check "$b: sign says whose signature it is, that the store reads and it verifies, claiming no trust" \
    diff "$sig/$b-sign.out" <(printf '%s\n' \
      "Signed $sig/$b-cli.exe as CN=Pagevane Test Signer, O=Throwaway." \
      "Its store reads and its signature verifies (osslsigncode verify, against $sig/cert.pem)." \
      "Trust is not claimed: Windows SmartScreen trusts a signature only from a certificate issued by an authority it trusts, never a self-signed one.")
  for kind in direct cli; do
    f=$sig/$b-$kind.exe
    check "$b signed ($kind): osslsigncode verify passes" verifies "$f"
    "$native_cli" list "$f" >"$f.list" 2>"$f.err"
    check "$b signed ($kind): list reads it" test $? -eq 0
    check "$b signed ($kind): list names the signer" \
      grep -qx "Signed:    yes, by CN=Pagevane Test Signer, O=Throwaway.*" "$f.list"
    "$native_cli" extract "$f" -d "$f.out" 2>"$f.err"
    check "$b signed ($kind): extract gives the sample back" diff -r "$book" "$f.out"
    "$native_cli" check "$f" >"$f.check" 2>&1
    check "$b signed ($kind): check reads it" test $? -eq 0
  done
done
"$native_cli" list "$sig/$aligned.exe" >"$sig/unsigned.list"
check "list says an unsigned e-book is not signed" grep -qx "Signed:    no" "$sig/unsigned.list"

# Failures: one message each, exit status 1, the unsigned e-book unchanged.
b=$sig/$unaligned.exe
cp "$b" "$sig/before.exe"
refused() {  # refused WHAT PATTERN -- sign arguments
  local what=$1 pattern=$2; shift 2
  "$@" >/dev/null 2>"$sig/refused.err"
  local rc=$?
  check "$what: exit status 1" test $rc -eq 1
  check "$what: says why" grep -q "$pattern" "$sig/refused.err"
  check "$what: the e-book is left as it was" cmp -s "$b" "$sig/before.exe"
  check "$what: no temporary folder is left" \
    test -z "$(ls -A "$sig" | grep -E '^\.pv[0-9a-f]{8}$')"
}
refused "no signer on the PATH" "osslsigncode was not found" \
  env PATH=/nonexistent "$(realpath "$native_cli")" sign "$b" "${sign_args[@]}"
refused "a signer that is not there" "was not found" \
  "$native_cli" sign "$b" "${sign_args[@]}" --signer "$sig/no-such-signer"
refused "a wrong password" "password" \
  "$native_cli" sign "$b" --cert "$sig/locked-cert.pem" --key "$sig/locked.pem" \
  --pass-file "$sig/wrong.pass"
refused "a key that cannot be read" "key.missing" \
  "$native_cli" sign "$b" --cert "$sig/cert.pem" --key "$sig/key.missing"
openssl genrsa -out "$sig/other-key.pem" 2048 2>/dev/null
refused "a key of another certificate" \
  "other-key.pem does not belong to the certificate .*cert.pem: osslsigncode found that their key values mismatch." \
  "$native_cli" sign "$b" --cert "$sig/cert.pem" --key "$sig/other-key.pem"
printf '#!/bin/sh\necho "nothing to do"\n' >"$sig/idle-signer"
chmod +x "$sig/idle-signer"
refused "a signer that ends well having written nothing" \
  "idle-signer ended with exit status 0 but wrote no signed e-book" \
  "$native_cli" sign "$b" "${sign_args[@]}" --signer "$sig/idle-signer"
# A signer that never ends (a time-stamp server that does not answer), with a helper of its own:
# stopped at the limit, the helper with it.
printf '#!/bin/sh\nsleep 300 &\necho $! >"%s"\nwait\n' "$sig/hung.pid" >"$sig/hung-signer"
chmod +x "$sig/hung-signer"
refused "a signer that never ends" "hung-signer did not finish within 1 second and was stopped" \
  "$native_cli" sign "$b" "${sign_args[@]}" --signer "$sig/hung-signer" --signer-timeout 1
check "a signer that never ends: its helper is stopped too" \
  bash -c "! kill -0 $(cat "$sig/hung.pid" 2>/dev/null || echo 1) 2>/dev/null || \
    grep -q '^State:.*Z' /proc/$(cat "$sig/hung.pid")/status"
# A signer that spoils what it signs: the signature no longer verifies.
cat >"$sig/spoiling-signer" <<'SH'
#!/bin/sh
osslsigncode "$@" || exit $?
if [ "$1" = sign ]; then
  for out; do :; done
  printf 'X' | dd of="$out" bs=1 seek=1024 conv=notrunc 2>/dev/null
fi
SH
chmod +x "$sig/spoiling-signer"
refused "a signature that does not verify" "does not verify" \
  "$native_cli" sign "$b" "${sign_args[@]}" --signer "$sig/spoiling-signer"

# Another save into the e-book's folder while the signer works (here a build the signer itself
# starts once it has written the signed file) leaves the signer's file alone: it signs.
cat >"$sig/busy-signer" <<SH
#!/bin/sh
osslsigncode "\$@" || exit \$?
if [ "\$1" = sign ]; then
  "$(realpath "$native_cli")" build "$(realpath "$book")" -o "$sig/beside.exe" -q || exit 7
fi
SH
chmod +x "$sig/busy-signer"
cp "$sig/before.exe" "$sig/busy.exe"
"$native_cli" sign "$sig/busy.exe" "${sign_args[@]}" --signer "$sig/busy-signer" \
  >"$sig/busy.out" 2>&1
check "another save into the folder while signing: signs" verifies "$sig/busy.exe"
check "another save into the folder while signing: the other save is done" \
  test -s "$sig/beside.exe"

# Wrong command lines: exit status 2, before anything is signed or built.
usage() {  # usage WHAT PATTERN -- pagevane-cli arguments
  local what=$1 pattern=$2; shift 2
  "$native_cli" "$@" >/dev/null 2>"$sig/usage.err"
  local rc=$?
  check "$what: exit status 2" test $rc -eq 2
  check "$what: says why" grep -q "$pattern" "$sig/usage.err"
  check "$what: the e-book is left as it was" cmp -s "$b" "$sig/before.exe"
}
usage "signtool.exe named off Windows" "is signtool.exe, which runs on Windows only" \
  sign "$b" --cert "$sig/cert.pem" --key "$sig/key.pem" --signer /opt/sdk/SignTool.EXE
usage "a certificate without its key" "needs --cert FILE and --key FILE" \
  sign "$b" --cert "$sig/cert.pem"
usage "--no-revocation-check without --sign" "is an option of --sign" \
  build "$book" -o "$sig/never.exe" --no-revocation-check
for t in 0 86401 1x ""; do
  usage "--signer-timeout '$t'" "signer-timeout $t: give a number of seconds from 1 to 86400." \
    sign "$b" "${sign_args[@]}" --signer-timeout "$t"
done
usage "--signer-timeout without --sign" "signer-timeout is an option of --sign" \
  build "$book" -o "$sig/never.exe" --signer-timeout 5
check "a refused build writes nothing" test ! -e "$sig/never.exe"

# A certificate issued by an authority whose revocation list cannot be fetched (no server
# listens on port 9): verify fails, saying why and what skips the check; with
# --no-revocation-check (osslsigncode 2.9 and later) it signs.
if osslsigncode verify --help 2>&1 | grep -q -- -ignore-crl; then
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$sig/ca.key" -out "$sig/ca.pem" -days 2 \
    -subj "/CN=Throwaway CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -keyout "$sig/leaf.key" -out "$sig/leaf.csr" \
    -subj "/CN=Offline Signer" 2>/dev/null
  printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=codeSigning" "crlDistributionPoints=URI:http://127.0.0.1:9/ca.crl" \
    >"$sig/leaf.ext"
  openssl x509 -req -in "$sig/leaf.csr" -CA "$sig/ca.pem" -CAkey "$sig/ca.key" \
    -CAcreateserial -out "$sig/leaf.pem" -days 2 -extfile "$sig/leaf.ext" 2>/dev/null
  cat "$sig/leaf.pem" "$sig/ca.pem" >"$sig/chain.pem"
  refused "a revocation list that cannot be fetched" "no-revocation-check skips" \
    "$native_cli" sign "$b" --cert "$sig/chain.pem" --key "$sig/leaf.key"
  cp "$b" "$sig/offline.exe"
  "$native_cli" sign "$sig/offline.exe" --cert "$sig/chain.pem" --key "$sig/leaf.key" \
    --no-revocation-check >"$sig/offline.out" 2>&1
  check "--no-revocation-check signs offline" \
    bash -c "osslsigncode verify -in '$sig/offline.exe' -CAfile '$sig/ca.pem' -ignore-crl >/dev/null 2>&1"
  check "--no-revocation-check says the revocation was not checked" \
    grep -q "revocation not checked" "$sig/offline.out"
else
  echo "skip: --no-revocation-check (needs osslsigncode 2.9 or later)"
fi

"$native_cli" sign "$b" --cert "$sig/locked-cert.pem" --key "$sig/locked.pem" \
  --pass-file "$sig/right.pass" >/dev/null 2>&1
check "a key with its password signs" verifies "$b" "$sig/locked-cert.pem"

# A build over a signed e-book gives an unsigned one, the same as a build into a new file.
cp "$sig/$aligned-cli.exe" "$sig/rebuilt.exe"
"$native_cli" build "$book" -o "$sig/rebuilt.exe" "${flags[@]}" --author \
  "$(printf 'A%.0s' $(seq ${aligned#book}))" 2>/dev/null
check "a build over a signed e-book writes the unsigned e-book" \
  cmp -s "$sig/rebuilt.exe" "$sig/$aligned.exe"
check "the rebuilt e-book carries no signature" \
  bash -c "! osslsigncode verify -in '$sig/rebuilt.exe' >/dev/null 2>&1"
"$native_cli" build "$book" -o "$sig/built-signed.exe" "${flags[@]}" --sign "${sign_args[@]}" \
  >/dev/null 2>&1
check "build --sign builds a signed e-book" verifies "$sig/built-signed.exe"

# The e-book that run.sh starts under Wine, signed.
osslsigncode sign -certs "$sig/cert.pem" -key "$sig/key.pem" -h sha256 -in "$sign_start" \
  -out "$sig/signed-start.exe" >/dev/null 2>&1

# signtool.exe, played under Wine by the stand-in (tests/win32/signtool), which checks the
# command lines it gets. pagevane-cli.exe signs copies of the unsigned e-book in $st through it
# in run.sh's Wine session: signtool_batch writes the batch lines, signtool_checks checks what
# they left. Each case logs the stand-in's runs to its own file (none: it never ran).
st=$sig/st
st_cases="ok pass wrongpass pem norev signfails hang verifyfails untrusted onpath sdk"
mkdir -p "$st"
if [ -e "$standin_signtool" ]; then
  cp "$standin_signtool" "$st/signtool.exe"
  for v in 10.0.19041.0 10.0.22621.0; do
    mkdir -p "$st/kits/Windows Kits/10/bin/$v/x86"
    cp "$standin_signtool" "$st/kits/Windows Kits/10/bin/$v/x86/signtool.exe"
  done
else
  fail "the stand-in signtool $standin_signtool is missing; build it first (make win)"
fi
openssl pkcs12 -export -inkey "$sig/key.pem" -in "$sig/cert.pem" -out "$st/cert.pfx" \
  -passout pass: 2>/dev/null
openssl pkcs12 -export -inkey "$sig/key.pem" -in "$sig/cert.pem" -out "$st/locked.pfx" \
  -passout pass:right 2>/dev/null
for c in $st_cases; do cp "$sig/before.exe" "$st/$c.exe"; done

# One case: its log named, then pagevane-cli.exe sign CASE.exe with the arguments given, its
# output, messages and exit status kept as CASE.out, .err and .rc.
st_run() {
  local c=$1; shift
  local s; s=$(winpath "$st")
  printf 'set PV_SIGNTOOL_LOG=%s\\%s.log\r\n' "$s" "$c"
  printf '"%s" sign "%s\\%s.exe"' "$(winpath "$work/pagevane-cli.exe")" "$s" "$c"
  for a in "$@"; do printf ' "%s"' "$a"; done
  printf ' > "%s\\%s.out" 2> "%s\\%s.err"\r\n' "$s" "$c" "$s" "$c"
  printf 'echo %%errorlevel%% > "%s\\%s.rc"\r\n' "$s" "$c"
}
signtool_batch() {
  local s; s=$(winpath "$st")
  local pfx="$s\\cert.pfx" stand="$s\\signtool.exe"
  st_run ok --cert "$pfx" --signer "$stand" --timestamp http://timestamp.invalid/
  printf 'set PV_SIGNTOOL_PASSWORD=right\r\n'
  st_run pass --cert "$s\\locked.pfx" --pass-file "$(winpath "$sig/right.pass")" --signer "$stand"
  st_run wrongpass --cert "$s\\locked.pfx" --pass-file "$(winpath "$sig/wrong.pass")" \
    --signer "$stand"
  printf 'set PV_SIGNTOOL_PASSWORD=\r\n'
  st_run pem --cert "$(winpath "$sig/cert.pem")" --key "$(winpath "$sig/key.pem")" \
    --signer "$stand"
  st_run norev --cert "$pfx" --signer "$stand" --no-revocation-check
  printf 'set PV_SIGNTOOL_FAIL=sign\r\n'
  st_run signfails --cert "$pfx" --signer "$stand"
  printf 'set PV_SIGNTOOL_FAIL=hang\r\n'
  st_run hang --cert "$pfx" --signer "$stand" --signer-timeout 2
  printf 'set PV_SIGNTOOL_FAIL=\r\nset PV_SIGNTOOL_VERIFY=fail\r\n'
  st_run verifyfails --cert "$pfx" --signer "$stand"
  printf 'set PV_SIGNTOOL_VERIFY=untrusted\r\n'
  st_run untrusted --cert "$pfx" --signer "$stand"
  printf 'set PV_SIGNTOOL_VERIFY=\r\n'
  # No --signer, no osslsigncode: signtool.exe on the PATH, else the newest SDK's.
  printf 'setlocal\r\nset "PATH=%s;%%PATH%%"\r\n' "$s"
  st_run onpath --cert "$pfx"
  printf 'endlocal\r\nsetlocal\r\nset "ProgramFiles(x86)=%s\\kits"\r\n' "$s"
  st_run sdk --cert "$pfx"
  printf 'endlocal\r\n'
}

signtool_checks() {
  local s; s=$(winpath "$st")
  st_rc() { test "$(tr -d '\r ' <"$st/$1.rc" 2>/dev/null)" = "$2"; }
  # The stand-in's runs as logged, the temporary file's name made TEMP.
  st_log() { sed -E 's/\.pv[0-9a-f]{8}\\new\.exe/TEMP/g' "$st/$1.log" 2>/dev/null; }
  st_same() { cmp -s "$st/$1.exe" "$sig/before.exe"; }
  st_signed() {
    "$native_cli" list "$st/$1.exe" 2>/dev/null |
      grep -qx "Signed:    yes, by CN=Stand-in Signer, O=Pagevane Tests.*"
  }
  check "signtool: signs, exit 0" st_rc ok 0
  check "signtool: signs a copy beside the e-book with signtool's command lines" \
    diff <(st_log ok) <(printf '%s\n' \
      "$s\\signtool.exe [sign][/fd][sha256][/f][$s\\cert.pfx][/tr][http://timestamp.invalid/][/td][sha256][$s\\TEMP]" \
      "$s\\signtool.exe [verify][/pa][$s\\TEMP]")
  check "signtool: says the signature verifies (signtool verify /pa)" \
    grep -q "verifies (signtool verify /pa)" "$st/ok.out"
  check "signtool: list names the signer" st_signed ok
  "$native_cli" extract "$st/ok.exe" -d "$st/ok.extracted" 2>/dev/null
  check "signtool: the signed e-book's store reads" diff -r "$book" "$st/ok.extracted"
  check "signtool: the pass file's password goes to /p" grep -qF "[/p][right]" "$st/pass.log"
  check "signtool: signs with the password" st_signed pass
  check "signtool: a wrong password: exit 1" st_rc wrongpass 1
  check "signtool: a wrong password: says so" grep -q "password in .* is wrong" "$st/wrongpass.err"
  check "signtool: a wrong password: the e-book is left as it was" st_same wrongpass
  check "signtool: PEM files: usage error, exit 2" st_rc pem 2
  check "signtool: PEM files: says how to make a .pfx" \
    grep -qF "openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx" "$st/pem.err"
  check "signtool: PEM files: signtool is not run" test ! -e "$st/pem.log"
  check "signtool: PEM files: the e-book is left as it was" st_same pem
  check "signtool: --no-revocation-check is refused" st_rc norev 2
  check "signtool: --no-revocation-check: says why" \
    grep -q "works with osslsigncode only" "$st/norev.err"
  check "signtool: sign fails: exit 1" st_rc signfails 1
  check "signtool: sign fails: signtool's reason given" \
    grep -q "An unexpected internal error" "$st/signfails.err"
  check "signtool: sign fails: the e-book is left as it was" st_same signfails
  check "signtool: sign fails: nothing is verified" test "$(st_log signfails | wc -l)" -eq 1
  check "signtool: a signtool that never ends: exit 1" st_rc hang 1
  check "signtool: a signtool that never ends: stopped, saying so" \
    grep -q "did not finish within 2 seconds and was stopped" "$st/hang.err"
  check "signtool: a signtool that never ends: its last words shown" \
    grep -q "said: Waiting for the time-stamp server" "$st/hang.err"
  check "signtool: a signtool that never ends: the e-book is left as it was" st_same hang
  check "signtool: verify fails: exit 1" st_rc verifyfails 1
  check "signtool: verify fails: says the signature does not verify" \
    grep -q "does not verify: SignTool Error: WinVerifyTrust returned error: 0x80096010" \
    "$st/verifyfails.err"
  check "signtool: verify fails: the e-book is left as it was" st_same verifyfails
  check "signtool: an untrusted root: signed, exit 0" st_rc untrusted 0
  check "signtool: an untrusted root: signed as it says" st_signed untrusted
  check "signtool: an untrusted root: says this machine does not trust it" \
    grep -q "does not accept it on this machine" "$st/untrusted.out"
  check "signtool: found on the PATH: signs" st_rc onpath 0
  check "signtool: found on the PATH: the one there" \
    grep -qF "$s\\signtool.exe [sign]" "$st/onpath.log"
  check "signtool: found in the newest Windows SDK: signs" st_rc sdk 0
  check "signtool: found in the newest Windows SDK: the x86 one of 10.0.22621.0" \
    grep -qF "$s\\kits\\Windows Kits\\10\\bin\\10.0.22621.0\\x86\\signtool.exe [sign]" \
    "$st/sdk.log"
  check "signtool: no temporary folder is left" \
    bash -c "! ls -A '$st' | grep -qE '^\.pv[0-9a-f]{8}$'"
}
