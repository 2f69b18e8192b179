// Re-ordering the page list, and the texts a page list row shows.
//
// The selection flags are one per list row, in row order; the moves re-order them together with
// the entries. When the flags and the list differ in length, only the rows that have both an
// entry and a flag take part.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "project/BookProject.h"

// Called with the two neighbouring rows (i, i + 1) as each exchange happens, so that a list on
// screen can follow step by step.
using RowSwapCallback = std::function<void(size_t upper, size_t lower)>;

// Moves every run of selected entries one place up as a block; a run that starts at the first
// row stays. Scans i = 1 .. n-1 upwards, exchanging i-1 and i when i is selected and i-1 is not.
void MoveSelectedUp(CBookProject& project, std::vector<bool>& selected,
                    const RowSwapCallback& onSwap = nullptr);

// Moves every run of selected entries one place down as a block; a run that ends at the last
// row stays. Scans i = n-2 .. 0 downwards, exchanging i and i+1 when i is selected and i+1 not.
void MoveSelectedDown(CBookProject& project, std::vector<bool>& selected,
                      const RowSwapCallback& onSwap = nullptr);

// Makes the entry at index the first one (the home page); the entries before it move down by
// one. The entry itself is moved, not copied. An index past the end changes nothing.
void MoveToFront(CBookProject& project, size_t index);

// Row texts: column 0 ("File") is m_strFile; column 1 ("Included") is "*" when m_bInProject is
// non-zero, else " ". Any other column gives "".
std::string GetRowText(const CPieceElem& elem, int column);
