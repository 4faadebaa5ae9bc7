#include <algorithm>
#include <unordered_map>

#include "model/ModelDetail.h"

std::string GetItemQuestionKey(const json& item)
{
    if (!item.is_object()) return "";
    auto q = item.find("question");
    if (q == item.end()) return "";
    if (q->is_string()) return NormalizeTextForComparison(q->get<std::string>());
    if (q->is_boolean() || q->is_number()) return NormalizeTextForComparison(JsonText(*q));
    return "";
}

std::string AlphaSuffixFromIndex(int32_t index)
{
    if (index < 0) return "a";
    std::string out;
    int64_t n = index;
    for (;;) {
        out += static_cast<char>('a' + n % 26);
        n /= 26;
        if (n == 0) break;
        --n;
    }
    return std::string(out.rbegin(), out.rend());
}

std::string MakeUniqueIdByLetterSuffix(const std::string& base, const IdSet& used)
{
    for (int32_t i = 0; i <= 999999; ++i) {
        std::string candidate = base + AlphaSuffixFromIndex(i);
        if (!used.count(candidate)) return candidate;
    }
    return MakeUniqueId(base, used);
}

bool MergeParsedJsonIntoCurrent(json incoming, std::u16string& error, std::vector<ImportIssue>* issues,
                                MergeIndex* index, std::vector<std::string>* droppedDiffering)
{
    return MergeParsedJson(g_jsonDoc, std::move(incoming), error, issues, index, droppedDiffering);
}

bool MergeParsedJson(json& target, json incoming, std::u16string& error, std::vector<ImportIssue>* issues,
                     MergeIndex* index, std::vector<std::string>* droppedDiffering)
{
    if (!HasArray(incoming, "items")) {
        error = u"Merge failed: incoming file has no 'items' array.";
        return false;
    }
    if (!target.is_object()) target = json::object();
    if (!HasArray(target, "items")) target["items"] = json::array();
    json& items = target["items"];

    // Where each ID lives; an item's question key is only made when an incoming ID clashes.
    MergeIndex local;
    MergeIndex& where = index ? *index : local;
    if (where.indexed > items.size()) where = MergeIndex{};
    IdSet& used = where.used;
    std::unordered_map<std::string, size_t>& positionOf = where.positionOf;
    // Grown by doubling: a merge of many parts must not rehash the whole table per part.
    const size_t expected = items.size() + incoming["items"].size();
    json::array_t& array = items.get_ref<json::array_t&>();
    if (array.capacity() < expected) array.reserve(std::max(expected, 2 * array.capacity()));
    if (used.bucket_count() * used.max_load_factor() < expected) {
        used.reserve(2 * expected);
        positionOf.reserve(2 * expected);
    }
    for (size_t i = where.indexed; i < items.size(); ++i) {
        const json& item = items[i];
        if (!item.is_object()) continue;
        auto id = item.find("id");
        if (id == item.end() || !id->is_string()) continue;
        used.insert(id->get<std::string>());
        positionOf[id->get<std::string>()] = i;
    }
    std::unordered_map<std::string, size_t> recordOf;
    if (issues)
        for (size_t r = 0; r < issues->size(); ++r)
            if (!(*issues)[r].id.empty()) recordOf[(*issues)[r].id] = r;

    for (json& item : incoming["items"]) {
        if (!item.is_object()) continue;
        auto idIt = item.find("id");
        if (idIt == item.end() || !idIt->is_string()) continue;
        const std::string& id = idIt->get_ref<const std::string&>();
        if (!used.count(id)) {
            used.insert(id);
            positionOf[id] = items.size();
            items.push_back(std::move(item));
            continue;
        }
        auto record = recordOf.find(id);
        const json& existing = items[positionOf[id]];
        if (GetItemQuestionKey(existing) == GetItemQuestionKey(item)) {
            if (droppedDiffering) {
                const ItemContent kept = GetItemContent(existing), dropped = GetItemContent(item);
                if (kept.choices != dropped.choices || kept.key != dropped.key) droppedDiffering->push_back(id);
            }
            if (record != recordOf.end()) {
                (*issues)[record->second] = ImportIssue{};
                recordOf.erase(record);
            }
            continue;
        }
        const std::string newId = MakeUniqueIdByLetterSuffix(id, used);
        item["id"] = newId;
        items.push_back(std::move(item));
        used.insert(newId);
        positionOf[newId] = items.size() - 1;
        if (record != recordOf.end()) {
            const size_t position = record->second;
            (*issues)[position].id = newId;
            recordOf.erase(record);
            recordOf[newId] = position;
        }
    }
    where.indexed = items.size();
    return true;
}
