#include "dupes/DupesLogic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "util/Mix.h"
#include "util/StringUtil.h"

namespace {

// work(begin, end) over [0, n) in two halves, the second on a thread of its own: the steps
// that use it treat each entry on its own, and a large bank spends most of its time there.
template <class Work>
void InTwoHalves(size_t n, const Work& work)
{
    if (n < 4096) {
        work(size_t(0), n);
        return;
    }
    std::exception_ptr failed;
    std::thread second;
    try {
        second = std::thread([&] {
            try {
                work(n / 2, n);
            } catch (...) {
                failed = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        work(n / 2, n); // no thread to be had: one after the other
    }
    try {
        work(size_t(0), n / 2);
    } catch (...) {
        if (second.joinable()) second.join();
        throw;
    }
    if (second.joinable()) second.join();
    if (failed) std::rethrow_exception(failed);
}

uint64_t HashText(const std::string& text, uint64_t seed)
{
    uint64_t h = SplitMix64(seed ^ text.size());
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        h = SplitMix64(h ^ word);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, text.data() + i, text.size() - i);
    return SplitMix64(h ^ tail ^ (uint64_t(text.size() - i) << 56));
}

// Exact identity of an item's question and choices, and of its key: 128 bits each, so a
// false exact match needs two independent 64-bit collisions.
struct Signature {
    uint64_t a = 0, b = 0;
    bool operator==(const Signature& o) const { return a == o.a && b == o.b; }
};
struct SignatureHash {
    size_t operator()(const Signature& s) const { return static_cast<size_t>(s.a); }
};

Signature QuestionSignature(const ItemContent& c)
{
    Signature s;
    for (uint64_t seed : {1ull, 2ull}) {
        uint64_t h = HashText(c.type, seed * 11) ^ SplitMix64(HashText(c.question, seed * 13));
        for (const std::string& choice : c.choices) h = SplitMix64(h ^ HashText(choice, seed * 17));
        (seed == 1 ? s.a : s.b) = SplitMix64(h ^ c.choices.size());
    }
    return s;
}

Signature KeySignature(const ItemContent& c) { return Signature{HashText(c.key, 23), HashText(c.key, 29)}; }

// Character 5-gram shingles of the question, and of each choice framed by separators, so
// a shingle never spans two choices. A shingle's bytes pack into its value one-to-one;
// the mixing keeps that, so the sets compare exactly.
constexpr size_t kShingle = 5;

void AddShingles(const std::string& text, uint64_t tag, std::vector<uint64_t>& out)
{
    if (text.size() <= kShingle) {
        uint64_t v = 0;
        std::memcpy(&v, text.data(), text.size());
        out.push_back(SplitMix64(v ^ tag ^ (uint64_t(text.size()) << 48)));
        return;
    }
    for (size_t i = 0; i + kShingle <= text.size(); ++i) {
        uint64_t v = 0;
        std::memcpy(&v, text.data() + i, kShingle);
        out.push_back(SplitMix64(v ^ tag ^ (uint64_t(kShingle) << 48)));
    }
}

constexpr uint64_t kChoiceTag = uint64_t(1) << 63;

void QuestionShingles(const ItemContent& c, std::vector<uint64_t>& out)
{
    out.clear();
    if (!c.question.empty()) AddShingles(c.question, 0, out);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

void ChoiceShingles(const ItemContent& c, std::vector<uint64_t>& out)
{
    out.clear();
    for (const std::string& choice : c.choices) AddShingles("\x1f" + choice + "\x1f", kChoiceTag, out);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

double Jaccard(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b)
{
    if (a.empty() && b.empty()) return 1;
    size_t i = 0, j = 0, common = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i] < b[j]) ++i;
        else if (b[j] < a[i]) ++j;
        else { ++common; ++i; ++j; }
    }
    return double(common) / double(a.size() + b.size() - common);
}

double Similarity(const std::vector<uint64_t>& qa, const std::vector<uint64_t>& ca, const std::vector<uint64_t>& qb,
                  const std::vector<uint64_t>& cb)
{
    const double question = Jaccard(qa, qb);
    if (ca.empty() && cb.empty()) return question;
    return (question + Jaccard(ca, cb)) / 2;
}

// MinHash values for banding: per band one hash of its own (a seeded multiply-shift of
// the shingle's value), spread over `rows` bins, each bin keeping its least value. Few
// bins per band keep them full even for short texts, so the rows of a band stay
// independent; an empty bin (fewer shingles than rows) holds a fixed mark. The first
// `rareCount` shingles make the `bands` bands in `out`; the first `wholeBands` of them are
// also made over every shingle, with the same hashes, into `whole`.
inline uint64_t BandHash(uint64_t s, size_t band)
{
    uint64_t x = (s ^ (0x9E3779B97F4A7C15ull * (band + 1))) * 0xD6E8FEB86659FD93ull;
    return x ^ (x >> 32);
}

void BandMinHash(const std::vector<uint64_t>& shingles, size_t rareCount, size_t bands, size_t wholeBands, size_t rows,
                 std::vector<uint64_t>& out, std::vector<uint64_t>& whole)
{
    out.assign(bands * rows, UINT64_MAX);
    whole.assign(wholeBands * rows, UINT64_MAX);
    auto bin = [rows](uint64_t x, size_t band) { return band * rows + static_cast<size_t>(((x >> 32) * rows) >> 32); };
    for (size_t k = 0; k < shingles.size(); ++k) {
        const uint64_t s = shingles[k];
        const bool rare = k < rareCount;
        for (size_t b = 0; b < wholeBands; ++b) {
            const uint64_t x = BandHash(s, b);
            const size_t at = bin(x, b);
            whole[at] = std::min<uint64_t>(whole[at], x & 0xFFFFFFFFull);
            if (rare) out[at] = std::min<uint64_t>(out[at], x & 0xFFFFFFFFull);
        }
        if (!rare) continue;
        for (size_t b = wholeBands; b < bands; ++b) {
            const uint64_t x = BandHash(s, b);
            const size_t at = bin(x, b);
            out[at] = std::min<uint64_t>(out[at], x & 0xFFFFFFFFull);
        }
    }
}

// Every entry's question and choice shingle sets, kept for confirming candidates: 32 bits
// of each shingle's value, sorted, in one pool.
struct ShingleSets {
    std::vector<uint32_t> pool;
    std::vector<size_t> start{0}; // set k is pool[start[k], start[k + 1]); entry i has sets 2i and 2i + 1
    void Add(const std::vector<uint64_t>& shingles)
    {
        const size_t from = pool.size();
        for (uint64_t s : shingles) pool.push_back(static_cast<uint32_t>(s));
        std::sort(pool.begin() + from, pool.end());
        pool.erase(std::unique(pool.begin() + from, pool.end()), pool.end());
        start.push_back(pool.size());
    }
    double Jaccard(size_t a, size_t b) const
    {
        const uint32_t *x = pool.data() + start[a], *xe = pool.data() + start[a + 1];
        const uint32_t *y = pool.data() + start[b], *ye = pool.data() + start[b + 1];
        const size_t total = (xe - x) + (ye - y);
        if (total == 0) return 1;
        size_t common = 0;
        while (x < xe && y < ye) {
            if (*x < *y) ++x;
            else if (*y < *x) ++y;
            else { ++common; ++x; ++y; }
        }
        return double(common) / double(total - common);
    }
    double Similarity(size_t i, size_t j) const
    {
        const double question = Jaccard(2 * i, 2 * j);
        if (start[2 * i + 2] == start[2 * i + 1] && start[2 * j + 2] == start[2 * j + 1]) return question;
        return (question + Jaccard(2 * i + 1, 2 * j + 1)) / 2;
    }
};

struct UnionFind {
    std::vector<uint32_t> parent;
    explicit UnionFind(size_t n) : parent(n)
    {
        for (size_t i = 0; i < n; ++i) parent[i] = static_cast<uint32_t>(i);
    }
    uint32_t Find(uint32_t x)
    {
        while (parent[x] != x) x = parent[x] = parent[parent[x]];
        return x;
    }
    void Join(uint32_t a, uint32_t b)
    {
        a = Find(a), b = Find(b);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
    }
};

// Banding: `kBands` bands, each keyed by `questionRows` question values and `choiceRows`
// choice values, so a pair becomes a candidate only when both parts agree in a band. Its
// chance per band is about Jq^questionRows * Jc^choiceRows; the rows fall with the
// threshold so that pairs at the threshold are still caught (at 0.8: Jq 0.6 with equal
// choices, 99.2 %).
constexpr size_t kBands = 20;
// Bands over the whole shingle sets, common shingles included: a pair whose shared text is
// mostly common (a course's set phrasing) looks unlike in the bands above, alike here. They
// share the first bands' hashes, so they cost little more than those.
constexpr size_t kWholeBands = 10;
constexpr size_t kAllBands = kBands + kWholeBands;
// Members of one bucket each compared with at most this many earlier ones in other
// groups: a template bank whose items differ in a number stays linear.
constexpr size_t kBucketReach = 24;

// Every entry's question set (2i) and choice set (2i + 1); the pool sorts each set once.
ShingleSets MakeShingleSets(const std::vector<DupeEntry>& entries)
{
    ShingleSets halves[2];
    InTwoHalves(entries.size(), [&](size_t begin, size_t end) {
        ShingleSets& sets = halves[begin == 0 ? 0 : 1];
        std::vector<uint64_t> shingles;
        std::string framed;
        for (size_t i = begin; i < end; ++i) {
            const ItemContent& content = entries[i].content;
            shingles.clear();
            if (!content.question.empty()) AddShingles(content.question, 0, shingles);
            sets.Add(shingles);
            shingles.clear();
            for (const std::string& choice : content.choices) {
                framed.assign(1, '\x1f').append(choice).push_back('\x1f');
                AddShingles(framed, kChoiceTag, shingles);
            }
            sets.Add(shingles);
        }
    });
    ShingleSets& sets = halves[0];
    const size_t offset = sets.pool.size();
    sets.pool.insert(sets.pool.end(), halves[1].pool.begin(), halves[1].pool.end());
    for (size_t k = 1; k < halves[1].start.size(); ++k) sets.start.push_back(offset + halves[1].start[k]);
    return std::move(sets);
}

// Per entry kAllBands keys, each of its type and a band's question and choice rows.
// Shingles in more than 1 % of the items ("which ", "the f") would make every pair that
// has them agree in their bins; the rare bands leave them out (counted approximately, in a
// fixed table), unless nothing else is left.
std::vector<uint64_t> MakeBandKeys(const std::vector<DupeEntry>& entries, const ShingleSets& sets,
                                   size_t questionRows, size_t choiceRows)
{
    const size_t n = entries.size();
    std::vector<uint64_t> bandKeys(n * kAllBands);
    std::vector<uint16_t> count(1 << 20);
    for (uint32_t v : sets.pool)
        if (count[v & 0xFFFFF] < UINT16_MAX) ++count[v & 0xFFFFF];
    const size_t common = std::max<size_t>(64, n / 100);
    InTwoHalves(n, [&](size_t begin, size_t end) {
        std::vector<uint64_t> shingles, commonOnes, qHash, cHash, qWhole, cWhole;
        auto signature = [&](size_t set, size_t rows, std::vector<uint64_t>& out, std::vector<uint64_t>& outWhole) {
            shingles.clear();
            commonOnes.clear();
            const uint32_t *x = sets.pool.data() + sets.start[set], *last = sets.pool.data() + sets.start[set + 1];
            for (const uint32_t* p = x; p < last; ++p)
                (count[*p & 0xFFFFF] <= common ? shingles : commonOnes).push_back(SplitMix64(*p));
            // With nothing rare left, the rare bands take every shingle.
            const size_t rareCount = shingles.empty() ? commonOnes.size() : shingles.size();
            shingles.insert(shingles.end(), commonOnes.begin(), commonOnes.end());
            BandMinHash(shingles, rareCount, kBands, kWholeBands, rows, out, outWhole);
        };
        for (size_t i = begin; i < end; ++i) {
            signature(2 * i, questionRows, qHash, qWhole);
            signature(2 * i + 1, choiceRows, cHash, cWhole);
            const uint64_t type = HashText(entries[i].content.type, 31);
            for (size_t b = 0; b < kAllBands; ++b) {
                const bool rareBand = b < kBands;
                const uint64_t* q = rareBand ? &qHash[b * questionRows] : &qWhole[(b - kBands) * questionRows];
                const uint64_t* c = rareBand ? &cHash[b * choiceRows] : &cWhole[(b - kBands) * choiceRows];
                uint64_t h = SplitMix64(b ^ type);
                for (size_t r = 0; r < questionRows; ++r) h = SplitMix64(h ^ q[r]);
                for (size_t r = 0; r < choiceRows; ++r) h = SplitMix64(h ^ c[r]);
                bandKeys[i * kAllBands + b] = h;
            }
        }
    });
    return bandKeys;
}

// One band's words (a key's high half over an entry's index) ordered by key, each key's
// entries in entry order: two stable passes of 16 bits over the high half.
void SortBandByKey(std::vector<uint64_t>& band, std::vector<uint64_t>& scratch)
{
    scratch.resize(band.size());
    std::vector<uint32_t> next(65536);
    for (unsigned shift : {32u, 48u}) {
        std::fill(next.begin(), next.end(), 0);
        for (uint64_t word : band) ++next[(word >> shift) & 0xFFFF];
        uint32_t at = 0;
        for (uint32_t& slot : next) at += std::exchange(slot, at);
        for (uint64_t word : band) scratch[next[(word >> shift) & 0xFFFF]++] = word;
        band.swap(scratch);
    }
}

// The pairs of one band's buckets (entries whose keys agree) confirmed by their exact
// similarity and joined; pairs found below the threshold are not compared again.
struct NearJoiner {
    const std::vector<DupeEntry>& entries;
    const ShingleSets& sets;
    double threshold;
    UnionFind& groups;
    std::vector<double>& best;
    std::unordered_set<uint64_t> rejected;

    // Each member of [first, last) against the kBucketReach earlier ones nearest it.
    void JoinBucket(const uint64_t* first, const uint64_t* last)
    {
        for (const uint64_t* x = first + 1; x < last; ++x) {
            const uint32_t i = static_cast<uint32_t>(*x);
            size_t reached = 0;
            for (const uint64_t* y = x; y-- > first && reached < kBucketReach;) {
                const uint32_t j = static_cast<uint32_t>(*y);
                if (groups.Find(i) == groups.Find(j)) continue;
                ++reached;
                const uint64_t pair = (uint64_t(std::min(i, j)) << 32) | std::max(i, j);
                if (rejected.count(pair)) continue;
                const double score = entries[i].content.type == entries[j].content.type ? sets.Similarity(i, j) : 0;
                if (score + 1e-12 < threshold) {
                    rejected.insert(pair);
                    continue;
                }
                groups.Join(i, j);
                best[i] = std::max(best[i], score);
                best[j] = std::max(best[j], score);
            }
        }
    }
};

// Near copies: per band the entries sorted by their band key, candidates in one bucket
// confirmed and joined. Keys are compared on their high 32 bits; a rare false bucket
// costs a comparison only.
void JoinNearCopies(const std::vector<DupeEntry>& entries, double threshold, UnionFind& groups, std::vector<double>& best)
{
    const size_t n = entries.size();
    const size_t questionRows = threshold >= 0.75 ? 3 : threshold >= 0.6 ? 2 : 1;
    const size_t choiceRows = threshold >= 0.6 ? 2 : 1;
    const ShingleSets sets = MakeShingleSets(entries);
    const std::vector<uint64_t> bandKeys = MakeBandKeys(entries, sets, questionRows, choiceRows);
    NearJoiner joiner{entries, sets, threshold, groups, best, {}};
    std::vector<uint64_t> band(n), scratch;
    for (size_t b = 0; b < kAllBands; ++b) {
        for (size_t i = 0; i < n; ++i) band[i] = (bandKeys[i * kAllBands + b] & 0xFFFFFFFF00000000ull) | i;
        SortBandByKey(band, scratch);
        for (size_t start = 0; start < n;) {
            size_t end = start + 1;
            while (end < n && (band[end] >> 32) == (band[start] >> 32)) ++end;
            if (end - start > 1) joiner.JoinBucket(band.data() + start, band.data() + end);
            start = end;
        }
    }
}

} // namespace

double ItemSimilarity(const ItemContent& a, const ItemContent& b)
{
    if (a.type != b.type) return 0;
    std::vector<uint64_t> qa, ca, qb, cb;
    QuestionShingles(a, qa);
    ChoiceShingles(a, ca);
    QuestionShingles(b, qb);
    ChoiceShingles(b, cb);
    return Similarity(qa, ca, qb, cb);
}

void AddDocumentEntries(const json& document, size_t source, std::vector<DupeEntry>& entries)
{
    if (!document.is_object()) return;
    auto items = document.find("items");
    if (items == document.end() || !items->is_array()) return;
    const size_t first = entries.size();
    entries.resize(first + items->size());
    InTwoHalves(items->size(), [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const json& item = (*items)[i];
            if (!item.is_object()) continue;
            DupeEntry& entry = entries[first + i];
            entry.content = GetItemContent(item);
            entry.source = source;
            entry.position = i;
            entry.id = ItemIdText(item);
            if (entry.id.empty()) entry.id = "#" + std::to_string(i + 1);
        }
    });
    entries.erase(std::remove_if(entries.begin() + static_cast<long>(first), entries.end(),
                                 [](const DupeEntry& e) { return e.content.question.empty() && e.content.choices.empty(); }),
                  entries.end());
}

std::vector<DupeGroup> FindDuplicateGroups(const std::vector<DupeEntry>& entries, double threshold, bool nearCopies)
{
    const size_t n = entries.size();
    UnionFind groups(n);
    std::vector<Signature> question(n), key(n);
    std::vector<double> best(n, 0);
    // Exact: equal question and choices, whatever the key.
    {
        std::unordered_map<Signature, uint32_t, SignatureHash> first;
        first.reserve(n);
        for (size_t i = 0; i < n; ++i) {
            question[i] = QuestionSignature(entries[i].content);
            key[i] = KeySignature(entries[i].content);
            auto found = first.emplace(question[i], static_cast<uint32_t>(i));
            if (!found.second) {
                groups.Join(found.first->second, static_cast<uint32_t>(i));
                best[i] = best[found.first->second] = 1;
            }
        }
    }

    if (nearCopies) JoinNearCopies(entries, threshold, groups, best);

    // Groups in entry order; each kind decided from its members' signatures.
    std::unordered_map<uint32_t, size_t> groupOf;
    std::vector<DupeGroup> found;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t root = groups.Find(static_cast<uint32_t>(i));
        auto it = groupOf.find(root);
        if (it == groupOf.end()) it = groupOf.emplace(root, found.size()).first, found.emplace_back();
        found[it->second].members.push_back(i);
    }
    std::vector<DupeGroup> result;
    for (DupeGroup& g : found) {
        if (g.members.size() < 2) continue;
        std::unordered_map<Signature, Signature, SignatureHash> keyOf;
        bool conflict = false, oneQuestion = true;
        for (size_t m : g.members) {
            auto ins = keyOf.emplace(question[m], key[m]);
            if (!ins.second && !(ins.first->second == key[m])) conflict = true;
            if (!(question[m] == question[g.members[0]])) oneQuestion = false;
        }
        g.kind = conflict ? DupeKind::Conflict : oneQuestion ? DupeKind::Exact : DupeKind::Near;
        g.score = 1;
        for (size_t m : g.members) {
            const double s = g.kind == DupeKind::Near ? best[m] : 1.0;
            g.scores.push_back(s);
            g.score = std::min(g.score, s);
        }
        result.push_back(std::move(g));
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const DupeGroup& a, const DupeGroup& b) { return int(a.kind) < int(b.kind); });
    return result;
}

const char* DupeKindName(DupeKind kind)
{
    switch (kind) {
    case DupeKind::Conflict: return "conflict";
    case DupeKind::Exact: return "exact";
    default: return "near";
    }
}

std::string ScoreText(double score)
{
    const long hundredths = static_cast<long>(std::floor(score * 100 + 1e-9));
    char text[48];
    std::snprintf(text, sizeof text, "%ld.%02ld", hundredths / 100, hundredths % 100);
    return text;
}

std::string FormatDupesText(const std::vector<DupeEntry>& entries, const std::vector<DupeGroup>& groups,
                            const std::vector<std::string>& sources)
{
    if (groups.empty()) return "No duplicates found.\n";
    std::string out;
    size_t counts[3] = {0, 0, 0};
    for (size_t g = 0; g < groups.size(); ++g) {
        const DupeGroup& group = groups[g];
        ++counts[int(group.kind)];
        out += "Group " + std::to_string(g + 1) + ": " + DupeKindName(group.kind) + ", similarity " +
               ScoreText(group.score);
        if (group.kind == DupeKind::Conflict) out += " (same question, different answers)";
        out += "\n";
        for (size_t m = 0; m < group.members.size(); ++m) {
            const DupeEntry& e = entries[group.members[m]];
            out += "  " + sources[e.source] + "  " + e.id + "  " + ScoreText(group.scores[m]) + "\n";
        }
    }
    out += std::to_string(groups.size()) + " groups: " + std::to_string(counts[0]) + " conflict, " +
           std::to_string(counts[1]) + " exact, " + std::to_string(counts[2]) + " near\n";
    return out;
}

std::string FormatDupesCsv(const std::vector<DupeEntry>& entries, const std::vector<DupeGroup>& groups,
                           const std::vector<std::string>& sources)
{
    std::string out = "group,kind,score,file,id\n";
    for (size_t g = 0; g < groups.size(); ++g)
        for (size_t m = 0; m < groups[g].members.size(); ++m) {
            const DupeEntry& e = entries[groups[g].members[m]];
            out += std::to_string(g + 1) + "," + DupeKindName(groups[g].kind) + "," + ScoreText(groups[g].scores[m]) +
                   "," + CsvField(sources[e.source]) + "," + CsvField(e.id) + "\n";
        }
    return out;
}

std::u16string FileNameOf(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

namespace {

std::u16string Named(const DupeEntry& e, const std::vector<std::u16string>& origins)
{
    std::u16string text = s2w(e.id);
    if (e.source < origins.size() && !origins[e.source].empty()) text += u" (from " + origins[e.source] + u")";
    return text;
}

} // namespace

NoteList MergeDuplicateNotes(const std::vector<DupeEntry>& entries, const std::vector<DupeGroup>& groups,
                             const std::vector<std::u16string>& origins, size_t firstMerged)
{
    NoteList notes;
    for (const DupeGroup& group : groups) {
        size_t subject = group.members.size();
        for (size_t m = 0; m < group.members.size() && subject == group.members.size(); ++m)
            if (entries[group.members[m]].source >= firstMerged) subject = m;
        if (subject == group.members.size()) continue;
        std::u16string others;
        for (size_t m = 0; m < group.members.size(); ++m) {
            if (m == subject) continue;
            if (!others.empty()) others += u", ";
            others += Named(entries[group.members[m]], origins);
        }
        const std::u16string who = Named(entries[group.members[subject]], origins);
        switch (group.kind) {
        case DupeKind::Conflict:
            notes.push_back(who + u" conflicts with " + others +
                            u": the same question and choices with a different answer");
            break;
        case DupeKind::Exact: notes.push_back(who + u" is an exact duplicate of " + others); break;
        case DupeKind::Near:
            notes.push_back(who + u" looks like a duplicate of " + others + u", similarity " +
                            s2w(ScoreText(group.scores[subject])));
            break;
        }
    }
    return notes;
}

std::u16string DroppedItemNote(const std::string& id, const std::u16string& file)
{
    const std::u16string name = s2w(id);
    return name + u" (from " + file + u") was not merged: " + name +
           u" already in the testbank has the same question but different choices or answer";
}

bool FindItemInView(const std::u16string& view, bool raw, const std::string& id, size_t& start, size_t& end)
{
    if (raw) {
        const std::u16string needle = u"\"id\": " + s2w(JsonText(json(id)));
        for (size_t at = view.find(needle); at != std::u16string::npos; at = view.find(needle, at + 1)) {
            const size_t after = at + needle.size();
            if (after < view.size() && view[after] != u',' && view[after] != u'\r' && view[after] != u'\n') continue;
            start = at;
            end = after;
            return true;
        }
        return false;
    }
    // A block starts at a line of its own, "[ID]", followed by its type line.
    const std::u16string needle = u"[" + s2w(id) + u"]\r\nType: ";
    for (size_t at = view.find(needle); at != std::u16string::npos; at = view.find(needle, at + 1)) {
        if (at != 0 && view[at - 1] != u'\n') continue;
        start = at;
        end = at + s2w(id).size() + 2;
        return true;
    }
    return false;
}

namespace {

// The item's answer as a reader compares it: the correct letter with its choice's text.
std::string KeyText(const json& item)
{
    if (!item.is_object()) return "";
    auto correct = item.find("correct");
    std::string key = correct == item.end() ? "" : correct->is_string() ? correct->get<std::string>() : JsonText(*correct);
    auto choices = item.find("choices");
    if (choices != item.end() && choices->is_object()) {
        auto chosen = choices->find(key);
        if (chosen != choices->end() && chosen->is_string()) return key + ": " + chosen->get<std::string>();
    }
    if (key.empty()) {
        auto answer = item.find("answer");
        if (answer != item.end()) key = answer->is_string() ? answer->get<std::string>() : JsonText(*answer);
    }
    return key;
}

} // namespace

std::vector<DupeRow> BuildDupeRows(const json& document, double threshold)
{
    std::vector<DupeEntry> entries;
    AddDocumentEntries(document, 0, entries);
    const std::vector<DupeGroup> groups = FindDuplicateGroups(entries, threshold);
    std::vector<DupeRow> rows;
    const json& items = document["items"];
    for (size_t g = 0; g < groups.size(); ++g)
        for (size_t m = 0; m < groups[g].members.size(); ++m) {
            const DupeEntry& e = entries[groups[g].members[m]];
            DupeRow row{g + 1, groups[g].kind, groups[g].scores[m], e.id, "", ""};
            auto q = items[e.position].find("question");
            if (q != items[e.position].end() && q->is_string()) row.question = q->get<std::string>();
            row.answer = KeyText(items[e.position]);
            rows.push_back(std::move(row));
        }
    return rows;
}

std::u16string DupeSummaryText(const std::vector<DupeRow>& rows)
{
    if (rows.empty()) return u"No duplicates found.";
    size_t counts[3] = {0, 0, 0}, last = 0;
    for (const DupeRow& row : rows)
        if (row.group != last) ++counts[int(row.kind)], last = row.group;
    return DecimalW(last) + (last == 1 ? u" group: " : u" groups: ") + DecimalW(counts[0]) + u" conflict, " +
           DecimalW(counts[1]) + u" exact, " + DecimalW(counts[2]) + u" near";
}

bool ParseDupeThreshold(const std::string& text, double& value)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    if (std::count(text.begin(), text.end(), '.') > 1 || text == ".") return false;
    value = std::strtod(text.c_str(), nullptr);
    return value > 0 && value <= 1;
}
