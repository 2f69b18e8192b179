// What the contents finder reads from a tag, one tag at a time: which element it is, whether it
// marks a table of contents, what its rel says, where a refresh sends the reader; and how the
// text of a label is kept. Internal to book/ (ContentsPage.cpp reads pages with it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "html/HtmlTokenizer.h"

// The elements the page reader tells apart; every other is other or otherVoid.
enum class ContentsTag : uint8_t {
    other,
    otherVoid,
    a,
    area,
    link,
    base,
    meta,
    li,
    dt,
    dd,
    ul,
    ol,
    dl,
    html,
    body,
    main,
    article,
    h1,
    h2,
    title,
    nav,
};

// The element of a tag name (lower case, as the tokenizer gives it).
ContentsTag ContentsTagOf(const std::string& name);
// Elements without content (no end tag closes them).
bool IsVoidTag(ContentsTag t);
bool IsListTag(ContentsTag t);  // ul, ol, dl

// Whether a start tag marks a table of contents, site navigation or a sidebar: a <nav>, role
// doc-toc, directory or navigation, epub:type toc, or a class or id token (split on white space,
// '-' and '_') among toc, toctree, contents, sidebar, summary, chapter, nav, navbar.
bool IsContentsMark(ContentsTag id, const HtmlTokenUtf8& tag);
// "div.toctree-wrapper.compound": the tag and its class tokens.
std::string ContentsElementKey(const HtmlTokenUtf8& tag);

// What the rel attribute of a link says.
struct LinkRel {
    bool bContents = false;  // contents, toc, start
    bool bStep = false;      // next, prev, previous
};
LinkRel ReadLinkRel(const HtmlTokenUtf8& tag);

// The address of a refresh's content ("5; url='next.html'"), or "" when it names none.
std::string RefreshAddress(std::string_view content);

// Appends UTF-8 text to out with white space collapsed to single spaces (a space is written
// only once something follows it) and the characters a label must not draw dropped
// (IsHiddenInTitle); out is not grown past limit bytes.
void AppendLabelText(std::string_view utf8, std::string* out, size_t limit);
