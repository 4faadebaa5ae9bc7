#pragma once
#include <string>
#include <string_view>

// Readable text from HTML as the exchange formats carry it, parsed by gumbo (an HTML5
// parser: every named character reference of HTML5 decodes). `br` is a line break. Text
// with no other markup is kept exactly (what our writers make from plain text comes back
// as it was); real HTML has its tags dropped, script and style left out, paragraphs and
// list items on lines of their own, and runs of white space collapsed as a browser would,
// except inside `pre`, which is kept as written (no-break spaces too).
std::string HtmlToPlainText(std::string_view html);

// Whether an element of that (lower-case) name starts a line of its own.
bool IsHtmlBlock(std::string_view name);

// The text of an HTML tree walked in order, by the rules above: `markup` false keeps the
// text exactly.
class PlainTextBuilder {
public:
    explicit PlainTextBuilder(bool markup) : markup_(markup) {}
    void Text(std::string_view text);
    void Break();
    void Block();
    // Text between these is kept as written, as a browser shows a `pre` element.
    void EnterPre() { ++pre_; }
    void LeavePre() { pre_ -= pre_ > 0; }
    std::string Finish() { return std::move(out_); }

private:
    bool markup_;
    std::string out_;
    size_t breaks_ = 0;
    size_t pre_ = 0;
    bool space_ = false;
};
