// The references a page or a style sheet makes to other files: links (a, area, link href),
// resources (src of img, script, frame, iframe, embed, input, media; srcset; object data; video
// poster; the old background attribute), the address of a <meta http-equiv="refresh"> and the
// url() and @import of style sheets, whether in a file of their own, a <style> element or a style
// attribute; CSS escapes ("\69mg.png") are decoded.
#pragma once

#include <string>
#include <vector>

struct HtmlReference {
    std::string strUrl;    // UTF-8; references decoded, spaces around it, tabs and line breaks gone
    size_t nLine = 0;      // line of the attribute or of the url(), from 1
    std::string strWhere;  // what holds it, for messages: "a href", "img srcset", "url()"
};

struct PageReferences {
    std::vector<HtmlReference> refs;  // in the order written
    // The href of the page's first <base> element, when it has one: relative references
    // resolve against it rather than against the page.
    bool bHasBase = false;
    std::string strBase;
};

// True when the attribute of the element (lower-case names) holds a URL this module reports.
bool IsLinkAttribute(const std::u32string& element, const std::u32string& attribute);

// Every reference of an HTML page (decoded, see html/HtmlText.h).
PageReferences FindPageReferences(const std::u32string& page);

// The url() and @import references of style sheet text that begins on line firstLine.
void FindStyleReferences(const std::u32string& css, size_t firstLine, const std::string& where,
                         std::vector<HtmlReference>* refs);

// The URLs of a srcset attribute, in order (descriptors such as "2x" or "480w" dropped).
std::vector<std::u32string> SplitSrcset(const std::u32string& srcset);
