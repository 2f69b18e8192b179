// The tokenizer over UTF-8.
#include "html/HtmlTokenizer.inc"

template struct HtmlTokenT<char>;
template class CHtmlTokenizerT<char>;
