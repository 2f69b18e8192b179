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
  check "$b: sign says the store reads and the signature verifies, claiming no trust" \
    bash -c "grep -q 'verifies' '$sig/$b-sign.out' && grep -qi 'trust' '$sig/$b-sign.out'"
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
  check "$what: no temporary file is left" test -z "$(ls "$sig" | grep '~tmp')"
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
