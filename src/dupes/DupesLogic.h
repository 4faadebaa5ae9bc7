#pragma once
// Duplicate and conflicting items, found by the whole item (question, set of choices,
// key) without comparing all pairs: exact copies by their folded content, near copies by
// MinHash over character shingles with locality-sensitive hashing, every candidate pair
// confirmed by its exact similarity.
#include <cstdint>
#include <string>
#include <vector>

#include "model/JsonModel.h"

enum class DupeKind { Conflict, Exact, Near };

constexpr double kDefaultDupeThreshold = 0.8;

// One item looked at: where it is and what it says.
struct DupeEntry {
    size_t source = 0;   // the file (or part of the document) it came from
    size_t position = 0; // its index in that file's items
    std::string id;
    ItemContent content;
};

struct DupeGroup {
    DupeKind kind = DupeKind::Near;
    double score = 1;              // the lowest member score
    std::vector<size_t> members;   // indices into the entries, in entry order
    std::vector<double> scores;    // per member: its best similarity to another member
};

// The entries of one testbank document's items; items that ask nothing (no question, no
// choices) are left out.
void AddDocumentEntries(const json& document, size_t source, std::vector<DupeEntry>& entries);

// Similarity of two items in [0, 1]: the mean of the Jaccard similarities of the
// question's and the choices' shingle sets (the question's alone when neither has
// choices). Two items with the same question and different choices score about 0.5;
// items of different types score 0.
double ItemSimilarity(const ItemContent& a, const ItemContent& b);

// The groups: conflicts first, then exact, then near, each kind in the order of its first
// member. `threshold` in (0, 1] is the least similarity of a near pair. Without
// `nearCopies` only exact copies and conflicts, found by hash alone.
std::vector<DupeGroup> FindDuplicateGroups(const std::vector<DupeEntry>& entries, double threshold,
                                          bool nearCopies = true);

const char* DupeKindName(DupeKind kind);
// A score as shown: two decimals, rounded down so a pair never looks more alike than it is.
std::string ScoreText(double score);

// The command's output (LF line ends); `sources` names each entry's source.
std::string FormatDupesText(const std::vector<DupeEntry>& entries, const std::vector<DupeGroup>& groups,
                            const std::vector<std::string>& sources);
std::string FormatDupesCsv(const std::vector<DupeEntry>& entries, const std::vector<DupeGroup>& groups,
                           const std::vector<std::string>& sources);

// Open && Merge: `origins` gives, per source index, the file its items came from ("" for
// the document that was open). Items are from the merge when their source is at least
// `firstMerged`. One note per group holding such an item, conflicts first.
NoteList MergeDuplicateNotes(const std::vector<DupeEntry>& entries, const std::vector<DupeGroup>& groups,
                             const std::vector<std::u16string>& origins, size_t firstMerged);
// The note of an incoming item dropped for an ID and question already there.
std::u16string DroppedItemNote(const std::string& id, const std::u16string& file);
// Just the file name of a path (after the last / or \).
std::u16string FileNameOf(const std::u16string& path);

// Where the item with `id` is in the main view's text (the formatted listing, or the raw
// JSON when `raw`): the range to select; false when it is not there.
bool FindItemInView(const std::u16string& view, bool raw, const std::string& id, size_t& start, size_t& end);

// The Find Duplicates window's list: one row per member, groups in order.
struct DupeRow {
    size_t group = 0; // from 1
    DupeKind kind = DupeKind::Near;
    double score = 1;
    std::string id;
    std::string question; // as written in the item
    std::string answer;   // what the key says: "B: the choice's text", "True", "42"
};
std::vector<DupeRow> BuildDupeRows(const json& document, double threshold);
// "3 groups: 1 conflict, 1 exact, 1 near" or "No duplicates found."
std::u16string DupeSummaryText(const std::vector<DupeRow>& rows);
// A threshold typed by the user: a decimal number in (0, 1].
bool ParseDupeThreshold(const std::string& text, double& value);
