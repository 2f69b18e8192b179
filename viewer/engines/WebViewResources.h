// The answers to WebView2's resource requests: whatever a page asks of the book's own origin is
// answered from the store by the one answer code (book/BookWeb.h), with the request's method and
// its Range and Service-Worker headers.
//
// The control reads an answer's body from a stream after the event has returned. A file too
// large to hold whole is answered with a stream that unpacks it as it is read and says it is
// agile (IAgileObject, and the free-threaded marshaler for IMarshal): the runtime then reads it
// on a thread of its own ("the stream should be agile or be created from a background thread to
// prevent performance impact to the UI thread", the SDK's documentation of
// ICoreWebView2WebResourceResponse::Content). The window keeps answering its messages whatever
// the file's size, and memory stays at the reader's two buffers. No deferral and no worker of
// our own are needed: making the answer (status, type, length, where the part starts) takes only
// the store's index; the unpacking, the skip to a range's start included, happens in the
// stream's first read, on the runtime's thread.
//
// The runtime takes a stream as the whole body (it rewinds it first and reads it to the end), and
// a 32-bit process runs out of memory when the body is a whole video. A part asked for is
// therefore cut to kWebViewPartLimit bytes: the answer says which part it carries
// (Content-Range), and a media element asks for the next part when it needs it, as it does of a
// web server that answers in parts.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <string>

class CBook;
class CBookSite;
struct BookFile;
struct ICoreWebView2Environment;
struct ICoreWebView2WebResourceRequestedEventArgs;

// A string the control allocated, as ANSI text (addresses, methods, header values, titles),
// freed; empty for none.
std::string TakeWebViewString(LPWSTR text);

// The most bytes one answer to a Range request carries.
const uint64_t kWebViewPartLimit = 8u << 20;

// Answers the request args carries, from book as the site: sets the response, or leaves the
// request alone when it cannot be read. Never throws.
void AnswerWebResourceRequest(ICoreWebView2Environment* env, CBook& book, const CBookSite& site,
                              ICoreWebView2WebResourceRequestedEventArgs* args);

// An agile, read-only stream of length bytes of file from byte first on: it unpacks as it is
// read, on whatever thread reads it, and may be rewound. Throws what CBookFileReader's
// constructor throws (the book's file cannot be opened, no block for the file).
IStream* CreateBookPartStream(const CBook& book, const BookFile& file, uint64_t first,
                              uint64_t length);
