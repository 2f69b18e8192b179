#include "viewer/PageHits.h"

#include <mshtml.h>

#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"

namespace {

const int kMaxMarks = 1000;  // a page of nothing but the word stays quick to open

// A text range over the whole body of doc.
CComPtr<IHTMLTxtRange> BodyRange(IDispatch* doc) {
    CComPtr<IHTMLTxtRange> range;
    CComPtr<IHTMLDocument2> html;
    CComPtr<IHTMLElement> body;
    CComPtr<IHTMLBodyElement> bodyElement;
    if (doc && SUCCEEDED(doc->QueryInterface(IID_IHTMLDocument2, html.Out())) &&
        SUCCEEDED(html->get_body(&body)) && body &&
        SUCCEEDED(body->QueryInterface(IID_IHTMLBodyElement, bodyElement.Out())))
        bodyElement->createTextRange(&range);
    return range;
}

// Moves range onto the next occurrence of term at or after its start; false when none.
bool FindIn(IHTMLTxtRange* range, const std::wstring& term) {
    BSTR text = SysAllocString(term.c_str());
    VARIANT_BOOL found = VARIANT_FALSE;
    const HRESULT hr = range->findText(text, 0x3fffffff, 0, &found);
    SysFreeString(text);
    return SUCCEEDED(hr) && found == VARIANT_TRUE;
}

void Collapse(IHTMLTxtRange* range, bool toStart) {
    range->collapse(toStart ? VARIANT_TRUE : VARIANT_FALSE);
}

}  // namespace

void CPageHits::SetTerms(const std::vector<std::string>& utf8Terms) {
    m_terms.clear();
    for (const std::string& t : utf8Terms) {
        if (!t.empty())
            m_terms.push_back(CWinText::Wide(t, CP_UTF8));
    }
}

int CPageHits::Mark(IDispatch* doc) const {
    int marks = 0;
    VARIANT colour;
    VariantInit(&colour);
    colour.vt = VT_BSTR;
    colour.bstrVal = SysAllocString(L"#ffff66");
    BSTR command = SysAllocString(L"BackColor");
    for (const std::wstring& term : m_terms) {
        CComPtr<IHTMLTxtRange> range = BodyRange(doc);
        while (range && marks < kMaxMarks && FindIn(range.get(), term)) {
            VARIANT_BOOL ok = VARIANT_FALSE;
            range->execCommand(command, VARIANT_FALSE, colour, &ok);
            ++marks;
            Collapse(range.get(), false);
        }
    }
    SysFreeString(command);
    VariantClear(&colour);
    // The first occurrence gets selected and shown.
    if (marks > 0)
        Select(doc, false);
    return marks;
}

bool CPageHits::SelectNext(IDispatch* doc) const {
    return Select(doc, true);
}

bool CPageHits::Select(IDispatch* doc, bool afterSelection) const {
    if (m_terms.empty())
        return false;
    // Where to look from: the end of the current selection, or the top of the page.
    CComPtr<IHTMLTxtRange> from;
    CComPtr<IHTMLDocument2> html;
    CComPtr<IHTMLSelectionObject> selection;
    CComPtr<IDispatch> selected;
    if (afterSelection && doc && SUCCEEDED(doc->QueryInterface(IID_IHTMLDocument2, html.Out())) &&
        SUCCEEDED(html->get_selection(&selection)) && selection &&
        SUCCEEDED(selection->createRange(&selected)) && selected)
        selected->QueryInterface(IID_IHTMLTxtRange, from.Out());
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1 || !from) {
            CComPtr<IHTMLTxtRange> top = BodyRange(doc);
            from.CopyFrom(top.get());
            if (!from)
                return false;
            Collapse(from.get(), true);
        } else {
            Collapse(from.get(), false);
        }
        // The nearest occurrence of any term.
        CComPtr<IHTMLTxtRange> best;
        for (const std::wstring& term : m_terms) {
            CComPtr<IHTMLTxtRange> r;
            if (FAILED(from->duplicate(&r)) || !r || !FindIn(r.get(), term))
                continue;
            long order = 1;
            BSTR how = SysAllocString(L"StartToStart");
            if (best)
                r->compareEndPoints(how, best.get(), &order);
            SysFreeString(how);
            if (!best || order < 0)
                best.CopyFrom(r.get());
        }
        if (best) {
            best->select();
            best->scrollIntoView(VARIANT_TRUE);
            return true;
        }
    }
    return false;
}
