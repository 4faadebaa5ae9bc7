#pragma once
// Text as the view and edit controls are given it: what the controls cannot take (very long
// lines, NULs, megabytes in a wrapped box) made into something they can, and back.
#include <string>
#include <string_view>
#include <vector>

#include "model/JsonModel.h"

// Wine's edit control lays out one line in time that grows with the square of its length
// (a 16,000-character line takes seconds to show and seconds per keystroke), while many
// short lines cost what their characters cost. Long lines are therefore shown broken.
constexpr size_t kDisplayLineLimit = 1000;
// The same for a word-wrapped box, which lays out each line once per wrapped row: shorter.
constexpr size_t kWrappedLineLimit = 250;
// The longest line of a text (lines end at LF; the CRs before it do not count).
size_t LongestLineLength(std::u16string_view text);
// The text with `lineBreak` inserted into every line longer than `limit`, so that no shown
// line is longer: after the last space or comma of the second half of each piece when
// there is one, else at the limit; never inside a surrogate pair. Short lines are untouched.
std::u16string BreakLongLines(const std::u16string& text, size_t limit, const std::u16string& lineBreak);
// Offsets between `text` and BreakLongLines of it with breaks of `breakSize` characters: a
// place in the text as shown (at a break: before it, or after it with `afterBreak`), and
// the place in the text of a place shown (inside a break: the break's place).
size_t ShownOffset(const std::u16string& text, size_t limit, size_t breakSize, size_t offset, bool afterBreak);
size_t SourceOffset(const std::u16string& text, size_t limit, size_t breakSize, size_t shown);
// A soft line break: what a multi-line field is given inside a long line. A stored text
// shown with CR LF line ends never holds one, so it is told apart from typed breaks.
constexpr char16_t kSoftBreak[] = u"\r\r\n";
// The text with every soft line break taken out again.
std::u16string RemoveSoftBreaks(const std::u16string& text);
// The most a word-wrapped box is given of one text: a larger text is shown in part (each
// megabyte costs such a box seconds) and kept as stored.
constexpr size_t kShownTextLimit = 100000;
// A text longer than `limit` as a box shows it: cut, with its length and a note that it is
// kept as stored. Shorter texts are returned as they are.
std::u16string CutForDisplay(const std::u16string& text, size_t limit = kDisplayLineLimit);

// Text as the view control must be given it: a NUL would end the control's text there,
// so each becomes U+2400 SYMBOL FOR NULL.
void MakeNulsVisible(std::u16string& text);
// A field's typed text back to what is stored, for a field that showed `stored` with its
// NULs made visible: each U+2400 is a NUL again, unless the stored text had none or held a
// U+2400 of its own (then the typed text is taken as it stands).
std::string StoredTextFromShown(const std::u16string& typed, const std::string& stored);

// Listing text as the view shows it: long lines broken, NULs visible.
std::u16string ShownListingPart(const std::string& utf8);
// The same, appended to `shown`: ASCII within the line limit goes in as it is, with no
// string made for it (a large bank's listing makes one part per item).
void AppendShownListingPart(const std::string& utf8, std::u16string& shown);
// One item's block of the listing as the view shows it (throws for an item it cannot show).
std::u16string ShownItemBlock(const json& item);
// The document's listing as the view shows it, made in parts: the notes block, then one
// block per item, with each part's length in `parts`, so that one item's block can be
// replaced where it is. False (nothing made) when an item cannot be shown.
bool ShownDocumentListing(const json& document, const NoteList& notes, std::u16string& shown,
                          std::vector<size_t>& parts);
