#include <algorithm>
#include <iterator>

#include "model/ModelDetail.h"

namespace {

History& Hist() { return g_document.history; }

// About what a value holds in memory: its texts and a node's overhead each.
size_t ValueBytes(const json& value)
{
    constexpr size_t kNode = 32;
    switch (value.type()) {
    case json::value_t::string: return kNode + value.get_ref<const std::string&>().size();
    case json::value_t::array: {
        size_t bytes = kNode;
        for (const json& element : value) bytes += ValueBytes(element);
        return bytes;
    }
    case json::value_t::object: {
        size_t bytes = kNode;
        for (auto it = value.begin(); it != value.end(); ++it) bytes += kNode + it.key().size() + ValueBytes(it.value());
        return bytes;
    }
    default: return kNode;
    }
}

size_t NotesBytes(const NoteList& notes)
{
    size_t bytes = 0;
    for (const std::u16string& note : notes) bytes += 32 + 2 * note.size();
    return bytes;
}

size_t StepBytes(const HistoryStep& step)
{
    size_t bytes = 64 + 2 * step.name.size();
    for (const ItemSplice& splice : step.splices) {
        bytes += 64;
        for (const json& item : splice.before) bytes += ValueBytes(item);
        for (const json& item : splice.after) bytes += ValueBytes(item);
    }
    if (step.restChanged) bytes += ValueBytes(step.restBefore) + ValueBytes(step.restAfter);
    if (step.keptChanged) bytes += NotesBytes(step.keptBefore) + NotesBytes(step.keptAfter);
    return bytes;
}

json::array_t& ItemsOf(json& document)
{
    if (!document.is_object()) document = json::object();
    json& items = document["items"];
    if (!items.is_array()) items = json::array();
    return items.get_ref<json::array_t&>();
}

void Record(HistoryStep&& step)
{
    History& h = Hist();
    step.bytes = StepBytes(step);
    // A new change ends the steps that were undone.
    while (h.steps.size() > h.done) {
        h.bytes -= h.steps.back().bytes;
        h.steps.pop_back();
    }
    if (h.saved > h.done) h.savedReachable = false;
    h.bytes += step.bytes;
    h.steps.push_back(std::move(step));
    ++h.done;
    while (h.steps.size() > 1 && h.bytes > h.limit) {
        h.bytes -= h.steps.front().bytes;
        h.steps.pop_front();
        --h.done;
        if (h.saved == 0) h.savedReachable = false;
        else --h.saved;
    }
}

void SetRest(json& document, const json& rest)
{
    json::array_t items = std::move(ItemsOf(document));
    document = rest.is_object() ? rest : json::object();
    document["items"] = std::move(items);
}

} // namespace

std::u16string ItemStepName(const std::u16string& verb, const json& item)
{
    constexpr size_t kShownId = 40;
    std::string id = ItemIdText(item);
    if (id.size() > kShownId) {
        size_t cut = kShownId;
        while (cut > 0 && (static_cast<unsigned char>(id[cut]) & 0xC0) == 0x80) --cut; // whole characters
        id = id.substr(0, cut) + "...";
    }
    return id.empty() ? verb : verb + u" " + U(id);
}

json DocumentRest(const json& document)
{
    json rest = json::object();
    if (document.is_object())
        for (auto it = document.begin(); it != document.end(); ++it)
            if (it.key() != "items") rest[it.key()] = it.value();
    return rest;
}

void ResetHistory(bool saved)
{
    g_document.history = History{};
    g_document.history.savedReachable = saved;
    g_document.rawEditName.clear();
}

void MarkHistorySaved()
{
    Hist().saved = Hist().done;
    Hist().savedReachable = true;
}

bool RecordItemsEdited(std::u16string name, const std::vector<size_t>& positions, std::vector<json>&& before,
                       size_t countBefore)
{
    const json::array_t& items = ItemsOf(g_jsonDoc);
    HistoryStep step;
    step.name = std::move(name);
    ItemSplice appended;
    appended.at = countBefore;
    for (size_t k = 0; k < positions.size(); ++k) {
        const size_t p = positions[k];
        if (p >= items.size()) continue;
        if (p >= countBefore) {
            appended.after.push_back(items[p]);
            continue;
        }
        if (k < before.size() && before[k] == items[p]) continue;
        ItemSplice splice;
        splice.at = p;
        splice.before.push_back(k < before.size() ? std::move(before[k]) : json());
        splice.after.push_back(items[p]);
        step.splices.push_back(std::move(splice));
    }
    if (!appended.after.empty()) step.splices.push_back(std::move(appended));
    if (step.splices.empty()) return false;
    Record(std::move(step));
    MarkItemsEdited();
    return true;
}

bool RecordDocumentReplaced(std::u16string name, json&& before, const NoteList& keptBefore)
{
    HistoryStep step;
    step.name = std::move(name);
    json::array_t& was = ItemsOf(before);
    const json::array_t& now = ItemsOf(g_jsonDoc);
    if (was.size() == now.size()) {
        for (size_t i = 0; i < was.size(); ++i)
            if (was[i] != now[i]) step.splices.push_back(ItemSplice{i, {std::move(was[i])}, {now[i]}});
    } else {
        size_t head = 0, tail = 0;
        const size_t shorter = std::min(was.size(), now.size());
        while (head < shorter && was[head] == now[head]) ++head;
        while (tail < shorter - head && was[was.size() - 1 - tail] == now[now.size() - 1 - tail]) ++tail;
        ItemSplice splice;
        splice.at = head;
        std::move(was.begin() + head, was.end() - tail, std::back_inserter(splice.before));
        splice.after.assign(now.begin() + head, now.end() - tail);
        step.splices.push_back(std::move(splice));
    }
    step.restBefore = DocumentRest(before);
    step.restAfter = DocumentRest(g_jsonDoc);
    step.restChanged = step.restBefore != step.restAfter;
    if (!step.restChanged) step.restBefore = step.restAfter = json();
    step.keptChanged = keptBefore != g_document.keptNotes;
    if (step.keptChanged) {
        step.keptBefore = keptBefore;
        step.keptAfter = g_document.keptNotes;
    }
    if (step.splices.empty() && !step.restChanged && !step.keptChanged) return false;
    Record(std::move(step));
    return true;
}

bool RecordItemsAppended(std::u16string name, size_t countBefore, json&& restBefore, const NoteList& keptBefore)
{
    HistoryStep step;
    step.name = std::move(name);
    const json::array_t& now = ItemsOf(g_jsonDoc);
    if (now.size() > countBefore)
        step.splices.push_back(ItemSplice{countBefore, {}, std::vector<json>(now.begin() + countBefore, now.end())});
    json restAfter = DocumentRest(g_jsonDoc);
    if (restAfter != restBefore) {
        step.restChanged = true;
        step.restBefore = std::move(restBefore);
        step.restAfter = std::move(restAfter);
    }
    if (keptBefore != g_document.keptNotes) {
        step.keptChanged = true;
        step.keptBefore = keptBefore;
        step.keptAfter = g_document.keptNotes;
    }
    if (step.splices.empty() && !step.restChanged && !step.keptChanged) return false;
    Record(std::move(step));
    return true;
}

const std::u16string* HistoryStepName(bool undo)
{
    const History& h = g_document.history;
    if (undo) return h.done > 0 ? &h.steps[h.done - 1].name : nullptr;
    return h.done < h.steps.size() ? &h.steps[h.done].name : nullptr;
}

bool ApplyHistoryStep(bool undo, std::vector<size_t>& positions, bool* notesChanged)
{
    History& h = Hist();
    positions.clear();
    if (undo ? h.done == 0 : h.done >= h.steps.size()) return false;
    const HistoryStep& step = h.steps[undo ? h.done - 1 : h.done];
    json::array_t& items = ItemsOf(g_jsonDoc);
    const size_t countBefore = items.size();
    bool sameCount = true;
    // Each splice's place is counted in the document before the step: undone from the
    // first (those before it are already back), redone from the last.
    const size_t n = step.splices.size();
    for (size_t k = 0; k < n; ++k) {
        const ItemSplice& splice = step.splices[undo ? k : n - 1 - k];
        const std::vector<json>& from = undo ? splice.after : splice.before;
        const std::vector<json>& to = undo ? splice.before : splice.after;
        const size_t at = std::min(splice.at, items.size());
        const size_t remove = std::min(from.size(), items.size() - at);
        if (remove == to.size()) {
            std::copy(to.begin(), to.end(), items.begin() + at);
        } else {
            sameCount = false;
            items.erase(items.begin() + at, items.begin() + at + remove);
            items.insert(items.begin() + at, to.begin(), to.end());
        }
    }
    if (step.restChanged) SetRest(g_jsonDoc, undo ? step.restBefore : step.restAfter);
    if (step.keptChanged) g_document.keptNotes = undo ? step.keptBefore : step.keptAfter;
    const size_t countNow = ItemsOf(g_jsonDoc).size();
    if (step.restChanged) {
        // the listing is made again whole
    } else if (sameCount) {
        // Redo's order was last to first: the positions go out ascending either way.
        for (const ItemSplice& splice : step.splices)
            for (size_t i = 0; i < splice.before.size(); ++i) positions.push_back(splice.at + i);
    } else if (countNow == countBefore + 1 && n == 1 && step.splices[0].at == countBefore) {
        positions.push_back(countBefore); // one item appended at the end
    } else if (countNow + 1 == countBefore && n == 1 && step.splices[0].at == countNow) {
        positions.push_back(countNow); // the last item removed: one past the end
    }
    if (undo) --h.done;
    else ++h.done;
    g_document.raw = RawText::Stale;
    // The notes are made from every item: an item whose note stays the same is no reason.
    bool sameNotes = sameCount && !step.keptChanged && !step.restChanged;
    for (size_t k = 0; sameNotes && k < n; ++k) {
        const ItemSplice& splice = step.splices[k];
        for (size_t i = 0; sameNotes && i < splice.before.size(); ++i)
            sameNotes = ItemOutcomeNote(splice.before[i], splice.at + i) == ItemOutcomeNote(splice.after[i], splice.at + i);
    }
    if (!sameNotes) g_document.notesStale = true;
    if (notesChanged) *notesChanged = !sameNotes;
    g_modified = !(h.savedReachable && h.saved == h.done);
    return true;
}
