#include "project/PageList.h"

#include <algorithm>
#include <utility>

namespace {

// Exchanges rows i and i + 1: the entries, the flags and the rows on screen.
void SwapRows(CBookProject& project, std::vector<bool>& selected, size_t i,
              const RowSwapCallback& onSwap) {
    project.SwapPages(i, i + 1);
    const bool upper = selected[i];
    selected[i] = selected[i + 1];
    selected[i + 1] = upper;
    if (onSwap)
        onSwap(i, i + 1);
}

}  // namespace

void MoveSelectedUp(CBookProject& project, std::vector<bool>& selected,
                    const RowSwapCallback& onSwap) {
    const size_t rows = std::min(selected.size(), project.GetPageCount());
    for (size_t i = 1; i < rows; ++i) {
        if (selected[i] && !selected[i - 1])
            SwapRows(project, selected, i - 1, onSwap);
    }
}

void MoveSelectedDown(CBookProject& project, std::vector<bool>& selected,
                      const RowSwapCallback& onSwap) {
    const size_t rows = std::min(selected.size(), project.GetPageCount());
    if (rows < 2)
        return;
    for (size_t i = rows - 1; i-- > 0;) {
        if (selected[i] && !selected[i + 1])
            SwapRows(project, selected, i, onSwap);
    }
}

void MoveToFront(CBookProject& project, size_t index) {
    if (index >= project.GetPageCount())
        return;
    project.InsertPageFront(project.TakePage(index));
}

std::string GetRowText(const CPieceElem& elem, int column) {
    if (column == 0)
        return elem.m_strFile;
    if (column == 1)
        return elem.m_bInProject != 0 ? "*" : " ";
    return std::string();
}
