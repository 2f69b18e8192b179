// An HTML tokenizer that follows the tokenizing rules of HTML5: tags with their attributes,
// comments, doctypes, character references, and the elements whose content is not markup
// (script, style and the other raw-text elements, title and textarea, plaintext).
//
// It reads a decoded page (see HtmlText.h), either as code points (CHtmlTokenizer) or as valid
// UTF-8 (CHtmlTokenizerUtf8), and hands out one token at a time in the same form. Every
// character that markup is made of is ASCII, which no byte of a multi-byte UTF-8 sequence can
// be mistaken for, so both read the same tokens.
//
// It does not build a tree: where the HTML tree builder would switch the tokenizer into a
// raw-text mode, the tokenizer switches by itself after the start tag of such an element. That
// differs from a browser only inside <svg> and <math>, where the builder keeps <style>, <title>
// and <script> as markup and reads "<![CDATA[...]]>" as text; here they are raw text and a
// comment. <noscript> is markup, as in a browser with scripting off.
//
// Malformed input never fails: it is tokenized as a browser tokenizes it ("<" before a space is
// text, a tag cut off by the end of the page is dropped, "</>" is dropped, "<?...>" and
// "<!x...>" are comments, duplicate attributes keep the first value).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

template <typename Char>
struct HtmlAttributeT {
    std::basic_string<Char> name;   // ASCII letters lower-cased
    std::basic_string<Char> value;  // character references decoded, CR LF and CR read as LF
    size_t line = 0;                // line of the attribute's name, from 1
};

enum class HtmlTokenKind { characters, startTag, endTag, comment, doctype };

template <typename Char>
struct HtmlTokenT {
    using Kind = HtmlTokenKind;
    Kind kind = Kind::characters;
    // Tag name (ASCII letters lower-cased) for tags; text for characters, comments and doctypes
    // (for characters: references decoded unless the text is raw, CR LF and CR read as LF).
    std::basic_string<Char> name;
    std::basic_string<Char> data;
    std::vector<HtmlAttributeT<Char>> attributes;  // start tags only, in the order written
    bool selfClosing = false;
    // For characters: the element whose raw content they are ("script", "style", "title", ...),
    // or empty for ordinary text.
    std::basic_string<Char> container;
    size_t line = 0;  // line where the token begins, from 1

    // The value of the named attribute (lower-case ASCII name), or nullptr.
    const HtmlAttributeT<Char>* Find(const char* attributeName) const;
};

template <typename Char>
class CHtmlTokenizerT {
  public:
    using String = std::basic_string<Char>;
    using Token = HtmlTokenT<Char>;

    // The tokenizer reads text in place: it must outlive the tokenizer. UTF-8 text must be valid
    // (a NUL or a reference is written out in UTF-8, the rest copied as it stands).
    explicit CHtmlTokenizerT(std::basic_string_view<Char> text);

    // Readers that want only the text (the search index) can leave out what costs most and
    // tells them nothing: only characters tokens then come, without line numbers; tags,
    // comments and doctypes are passed over where they stand (the text is read the same), and
    // TagPassed tells where tags were.
    void SetTextOnly(bool textOnly) { m_bTextOnly = textOnly; }
    // Readers that want every token but no line numbers (the contents finder) can leave out
    // the counting of lines, and the copying of text into the token's data: tokens and
    // attributes then come with line 0, and text that stands in the page as it reads only as
    // Text(), as in text-only mode.
    void SetLean(bool lean) { m_bLean = lean; }

    // Fills *token with the next token. Returns false at the end of the text. Runs of text come
    // as one characters token each (a tag, comment or the end of the text ends a run).
    bool Next(Token* token);
    // In text-only mode: whether a tag was passed over between the token before and the one Next
    // gave last.
    bool TagPassed() const { return m_bTagPassed; }
    // The text of the characters token Next gave last, valid until Next is called again. In
    // text-only mode it is the only place to find it: text that stands in the page as it reads
    // (no reference, CR or NUL) is not copied into the token's data.
    std::basic_string_view<Char> Text() const { return m_textView; }

  private:
    enum class Mode { data, rcdata, rawtext, scriptData, plaintext };

    bool AtEnd() const { return m_pos >= m_text.size(); }
    Char Peek(size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : Char(0);
    }
    // The first position from `from` that holds c, or the end of the text.
    size_t Find(size_t from, Char c) const;
    size_t LineAt(size_t pos);
    bool StartsWithNoCase(size_t pos, const char* word) const;
    // Appends the character at m_pos to out (CR LF and CR as LF) and moves on.
    void TakeChar(String* out);
    // At '&': appends the reference's characters (or the '&' alone) and moves past them.
    void TakeReference(String* out, bool inAttribute);

    void ReadText(Token* token);
    // Readers of text keep it "plain" while it is the page's own characters from start on:
    // LeavePlain copies them into the token's data before the first one that reads otherwise,
    // and EndText makes Text() a view of the page or of the data.
    void LeavePlain(Token* token, size_t start, bool* plain);
    void EndText(Token* token, size_t start, bool plain);
    void ReadRawText(Token* token);
    bool AtAppropriateEndTag(size_t pos) const;
    // At '<' followed by a letter (start tag) or "</" and a letter (end tag): reads the tag.
    // Returns false when the text ends inside it (the tag is then dropped).
    bool ReadTag(Token* token);
    // The same in text-only mode, where the tag is passed over: returns false.
    bool TakeTag(Token* token);
    // After the start tag of an element whose content is raw text: switches into its mode.
    void EnterRawMode(const Char* name, size_t length);
    void ReadAttributes(Token* token, bool* complete);
    // The same, only moving past them.
    void SkipAttributes(bool* selfClosing, bool* complete);
    void ReadComment(Token* token);
    void ReadBogusComment(Token* token, size_t from);
    void ReadDoctype(Token* token);
    // Script content: where its end tag is, with the escaping rules of "<!--" and "<script".
    size_t FindScriptEnd(size_t from) const;

    std::basic_string_view<Char> m_text;
    size_t m_pos = 0;
    Mode m_mode = Mode::data;
    String m_rawElement;   // element whose content is being read in a raw mode
    size_t m_linePos = 0;  // LineAt's memo: m_line is the line of m_linePos
    size_t m_line = 1;
    bool m_bTextOnly = false;
    bool m_bLean = false;
    bool m_bTagPassed = false;
    std::basic_string_view<Char> m_textView;  // see Text()
    // Attributes of earlier tokens, taken back by Next: their strings keep their buffers for
    // the attributes read next.
    std::vector<HtmlAttributeT<Char>> m_spare;
};

// Code points.
using HtmlAttribute = HtmlAttributeT<char32_t>;
using HtmlToken = HtmlTokenT<char32_t>;
using CHtmlTokenizer = CHtmlTokenizerT<char32_t>;
// UTF-8.
using HtmlAttributeUtf8 = HtmlAttributeT<char>;
using HtmlTokenUtf8 = HtmlTokenT<char>;
using CHtmlTokenizerUtf8 = CHtmlTokenizerT<char>;
