// An HTML tokenizer that follows the tokenizing rules of HTML5: tags with their attributes,
// comments, doctypes, character references, and the elements whose content is not markup
// (script, style and the other raw-text elements, title and textarea, plaintext).
//
// It reads code points (a page already decoded, see HtmlText.h) and hands out one token at a
// time. It does not build a tree: where the HTML tree builder would switch the tokenizer into a
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
#include <vector>

struct HtmlAttribute {
    std::u32string name;   // ASCII letters lower-cased
    std::u32string value;  // character references decoded, CR LF and CR read as LF
    size_t line = 0;       // line of the attribute's name, from 1
};

struct HtmlToken {
    enum class Kind { characters, startTag, endTag, comment, doctype };
    Kind kind = Kind::characters;
    // Tag name (ASCII letters lower-cased) for tags; text for characters, comments and doctypes
    // (for characters: references decoded unless the text is raw, CR LF and CR read as LF).
    std::u32string name;
    std::u32string data;
    std::vector<HtmlAttribute> attributes;  // start tags only, in the order written
    bool selfClosing = false;
    // For characters: the element whose raw content they are ("script", "style", "title", ...),
    // or empty for ordinary text.
    std::u32string container;
    size_t line = 0;  // line where the token begins, from 1

    // The value of the named attribute (lower-case ASCII name), or nullptr.
    const HtmlAttribute* Find(const char* attributeName) const;
};

class CHtmlTokenizer {
  public:
    // The tokenizer reads text in place: it must outlive the tokenizer.
    explicit CHtmlTokenizer(const std::u32string& text);

    // Readers that want only the text (the search index) can leave out what costs most and
    // tells them nothing: tags then come without their attributes (the text is read the same),
    // and tokens without line numbers.
    void SetTextOnly(bool textOnly) { m_bTextOnly = textOnly; }

    // Fills *token with the next token. Returns false at the end of the text. Runs of text come
    // as one characters token each (a tag, comment or the end of the text ends a run).
    bool Next(HtmlToken* token);

  private:
    enum class Mode { data, rcdata, rawtext, scriptData, plaintext };

    bool AtEnd() const { return m_pos >= m_text.size(); }
    char32_t Peek(size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : 0;
    }
    size_t LineAt(size_t pos);
    bool StartsWithNoCase(size_t pos, const char* word) const;
    // Appends the character at m_pos to out (CR LF and CR as LF) and moves on.
    void TakeChar(std::u32string* out);
    // At '&': appends the reference's characters (or the '&' alone) and moves past them.
    void TakeReference(std::u32string* out, bool inAttribute);

    void ReadText(HtmlToken* token);
    void ReadRawText(HtmlToken* token);
    bool AtAppropriateEndTag(size_t pos) const;
    // At '<' followed by a letter (start tag) or "</" and a letter (end tag): reads the tag.
    // Returns false when the text ends inside it (the tag is then dropped).
    bool ReadTag(HtmlToken* token);
    void ReadAttributes(HtmlToken* token, bool* complete);
    // The same, only moving past them.
    void SkipAttributes(HtmlToken* token, bool* complete);
    void ReadComment(HtmlToken* token);
    void ReadBogusComment(HtmlToken* token, size_t from);
    void ReadDoctype(HtmlToken* token);
    // Script content: where its end tag is, with the escaping rules of "<!--" and "<script".
    size_t FindScriptEnd(size_t from) const;

    const std::u32string& m_text;
    size_t m_pos = 0;
    Mode m_mode = Mode::data;
    std::u32string m_rawElement;  // element whose content is being read in a raw mode
    size_t m_linePos = 0;         // LineAt's memo: m_line is the line of m_linePos
    size_t m_line = 1;
    bool m_bTextOnly = false;
    // Attributes of earlier tokens, taken back by Next: their strings keep their buffers for
    // the attributes read next.
    std::vector<HtmlAttribute> m_spare;
};
