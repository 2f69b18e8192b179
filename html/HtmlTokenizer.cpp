// The tokenizer over code points.
#include "html/HtmlTokenizer.inc"

template struct HtmlTokenT<char32_t>;
template class CHtmlTokenizerT<char32_t>;
