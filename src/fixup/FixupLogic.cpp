#include "fixup/FixupLogic.h"

#include <algorithm>
#include <map>

#include "ui/ViewText.h"
#include "util/StringUtil.h"

FixupState g_fixup;
std::vector<ImportIssue>& g_fixupIssues = g_fixup.issues;
size_t& g_fixupPos = g_fixup.pos;

namespace {

const char* const kComboTypes[4] = {"multiple_choice", "true_false", "numerical", "algorithmic"};

// A member's text when it is a string; "" otherwise.
std::string StringMember(const json& object, const char* key)
{
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

std::vector<ImportIssue> BuildFixupList(const std::vector<ImportIssue>& issues)
{
    std::map<std::string, ImportIssue> byId;
    for (const ImportIssue& issue : issues) {
        if (issue.id.empty() || IsResolved(issue)) continue;
        ImportIssue& entry = byId[issue.id];
        entry.id = issue.id;
        entry.missingType = entry.missingType || issue.missingType;
        entry.missingMlo = entry.missingMlo || issue.missingMlo;
    }
    std::vector<ImportIssue> list;
    list.reserve(byId.size());
    for (auto& [id, entry] : byId) list.push_back(std::move(entry));
    return list;
}

size_t NextUnresolvedIndex(size_t from, int direction)
{
    const size_t n = g_fixupIssues.size();
    if (n == 0) return kNoIssue;
    size_t i = from % n;
    for (size_t step = 0; step < n; ++step) {
        i = direction >= 0 ? (i + 1) % n : (i + n - 1) % n;
        if (!IsResolved(g_fixupIssues[i])) return i;
    }
    return kNoIssue;
}

std::string MissingPartsText(const ImportIssue& issue)
{
    std::string text;
    if (issue.missingType) text += "type, ";
    if (issue.missingMlo) text += "MLO, ";
    if (!text.empty()) text.resize(text.size() - 2);
    return text;
}

std::u16string FixupHeaderText(size_t pos, size_t count, const ImportIssue& issue)
{
    std::u16string header = u"Fix item " + DecimalW(pos + 1) + u" of " + DecimalW(count);
    const std::string missing = MissingPartsText(issue);
    if (!missing.empty()) header += u"  (missing: " + s2w(missing) + u")";
    return header;
}

namespace {

bool ItemHasId(const json& item, const std::string& id)
{
    if (!item.is_object()) return false;
    auto it = item.find("id");
    return it != item.end() && it->is_string() && it->get_ref<const std::string&>() == id;
}

} // namespace

void IndexFixupItems()
{
    g_fixup.itemIndex.clear();
    if (!g_hasJson || !g_jsonDoc.is_object()) return;
    auto items = g_jsonDoc.find("items");
    if (items == g_jsonDoc.end() || !items->is_array()) return;
    for (size_t i = 0; i < items->size(); ++i) {
        const json& item = (*items)[i];
        if (!item.is_object()) continue;
        auto it = item.find("id");
        if (it != item.end() && it->is_string()) g_fixup.itemIndex.emplace(it->get<std::string>(), i); // first wins
    }
}

bool FindItemIndexById(const std::string& id, size_t& index)
{
    if (!g_hasJson || !g_jsonDoc.is_object()) return false;
    auto items = g_jsonDoc.find("items");
    if (items == g_jsonDoc.end() || !items->is_array()) return false;
    auto known = g_fixup.itemIndex.find(id);
    if (known != g_fixup.itemIndex.end() && known->second < items->size() && ItemHasId((*items)[known->second], id)) {
        index = known->second;
        return true;
    }
    for (size_t i = 0; i < items->size(); ++i) {
        const json& item = (*items)[i];
        if (!item.is_object()) continue;
        auto it = item.find("id");
        if (it != item.end() && it->is_string() && it->get_ref<const std::string&>() == id) {
            index = i;
            g_fixup.itemIndex[id] = i;
            return true;
        }
    }
    return false;
}

int TypeToComboIndex(const std::string& type)
{
    const std::string canonical = NormalizeTypeString(type);
    for (int i = 0; i < 4; ++i)
        if (canonical == kComboTypes[i]) return i;
    return 0;
}

std::string ComboIndexToType(int index) { return index >= 1 && index <= 3 ? kComboTypes[index] : kComboTypes[0]; }

bool IsBlankWide(const std::u16string& text)
{
    for (char16_t c : text) {
        const bool space = c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
                           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
                           c == 0x205F || c == 0x3000;
        if (!space) return false;
    }
    return true;
}

bool ApplyFixupToCurrentItem(size_t itemIndex, int comboIndex, const std::u16string& mlo, const std::u16string& clo,
                             const std::u16string& plo)
{
    ImportIssue& issue = g_fixupIssues[g_fixupPos];
    const bool mloBlank = IsBlankWide(mlo);
    if (issue.missingMlo && mloBlank) return false; // refused before anything is written
    json& item = g_jsonDoc["items"][itemIndex];
    item["type"] = ComboIndexToType(comboIndex);
    auto objectives = item.find("objectives");
    if (objectives == item.end() || !objectives->is_object()) item["objectives"] = json::object();
    json& obj = item["objectives"];
    // A box still showing what is stored keeps it exactly (a NUL shows as U+2400).
    const char* const keys[3] = {"MLO", "CLO", "PLO"};
    const std::u16string* typed[3] = {&mlo, &clo, &plo};
    for (int k = 0; k < 3; ++k) {
        const std::string stored = StringMember(obj, keys[k]);
        // A long outcome shown cut (read-only) keeps its whole stored text.
        const std::u16string storedWide = s2w(stored);
        if (storedWide.size() > kDisplayLineLimit && *typed[k] == CutForDisplay(storedWide)) continue;
        obj[keys[k]] = StoredTextFromShown(*typed[k], stored);
    }
    issue.missingType = false;
    issue.missingMlo = mloBlank;
    return true;
}

FormModel LoadFixupForm(const ImportIssue& issue, size_t pos, size_t count, const json& item)
{
    FormModel form;
    form.texts[IDC_FIX_HEADER] = FixupHeaderText(pos, count, issue);
    form.texts[IDC_FIX_ID] = s2w(issue.id);
    // Read-only and never saved: long lines are shown broken.
    form.texts[IDC_FIX_QUESTION] = BreakLongLines(CutForDisplay(s2wCrlf(StringMember(item, "question")), kShownTextLimit),
                                                  kWrappedLineLimit, u"\r\n");
    MakeNulsVisible(form.texts[IDC_FIX_QUESTION]);
    form.selections[IDC_FIX_TYPE] = TypeToComboIndex(StringMember(item, "type"));
    auto objectives = item.find("objectives");
    const bool hasObjectives = objectives != item.end() && objectives->is_object();
    const char* const keys[3] = {"MLO", "CLO", "PLO"};
    for (int k = 0; k < 3; ++k) {
        // A one-line box given a long line freezes the window: a long outcome is shown cut.
        form.texts[IDC_FIX_MLO + k] = hasObjectives ? CutForDisplay(s2w(StringMember(*objectives, keys[k]))) : u"";
        MakeNulsVisible(form.texts[IDC_FIX_MLO + k]);
    }
    return form;
}

bool IsCutOutcome(const json& item, int id)
{
    const char* const keys[3] = {"MLO", "CLO", "PLO"};
    if (id < IDC_FIX_MLO || id > IDC_FIX_PLO) return false;
    auto objectives = item.find("objectives");
    if (objectives == item.end() || !objectives->is_object()) return false;
    return s2w(StringMember(*objectives, keys[id - IDC_FIX_MLO])).size() > kDisplayLineLimit;
}

bool ApplyFixupForm(size_t itemIndex, const FormModel& form)
{
    return ApplyFixupToCurrentItem(itemIndex, form.Selection(IDC_FIX_TYPE), form.Text(IDC_FIX_MLO),
                                   form.Text(IDC_FIX_CLO), form.Text(IDC_FIX_PLO));
}

bool SaveFixupForm(size_t itemIndex, const FormModel& form)
{
    json before = g_jsonDoc["items"][itemIndex];
    if (!ApplyFixupForm(itemIndex, form)) return false;
    std::vector<json> befores;
    befores.push_back(std::move(before));
    RecordItemsEdited(ItemStepName(u"Fix Item", g_jsonDoc["items"][itemIndex]), {itemIndex},
                      std::move(befores), g_jsonDoc["items"].size());
    return true;
}

bool ApplyOutcomesForm(const std::vector<size_t>& targets, size_t itemIndex, const FormModel& form, bool sameCategory,
                       std::vector<size_t>& changed)
{
    changed.assign(1, itemIndex);
    for (size_t target : targets) {
        size_t at = 0;
        if (target < g_fixupIssues.size() && FindItemIndexById(g_fixupIssues[target].id, at)) changed.push_back(at);
    }
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    const json& items = g_jsonDoc["items"];
    std::vector<json> before;
    before.reserve(changed.size());
    for (size_t at : changed) before.push_back(items[at]);
    if (!ApplyFixupForm(itemIndex, form)) return false;
    ApplyItemOutcomesToTargets(targets, itemIndex);
    RecordItemsEdited(std::u16string(sameCategory ? u"Apply to Category (" : u"Apply to All (") +
                          s2w(GroupedNumber(changed.size())) + (changed.size() == 1 ? u" item)" : u" items)"),
                      changed, std::move(before), items.size());
    return true;
}

std::string CurrentItemCategory()
{
    size_t index = 0;
    if (g_fixupPos >= g_fixupIssues.size() || !FindItemIndexById(g_fixupIssues[g_fixupPos].id, index)) return "";
    return StringMember(g_jsonDoc["items"][index], "category");
}

std::vector<size_t> OutcomeTargets(bool sameCategory)
{
    std::vector<size_t> targets;
    const std::string category = sameCategory ? CurrentItemCategory() : std::string();
    for (size_t i = 0; i < g_fixupIssues.size(); ++i) {
        const ImportIssue& issue = g_fixupIssues[i];
        if (i == g_fixupPos || !issue.missingMlo) continue;
        size_t index = 0;
        if (!FindItemIndexById(issue.id, index)) continue;
        if (sameCategory && StringMember(g_jsonDoc["items"][index], "category") != category) continue;
        targets.push_back(i);
    }
    return targets;
}

size_t ApplyOutcomesToTargets(const std::vector<size_t>& targets, const std::u16string& mlo, const std::u16string& clo,
                              const std::u16string& plo)
{
    const char* const keys[3] = {"MLO", "CLO", "PLO"};
    const std::string typed[3] = {w2s(mlo), w2s(clo), w2s(plo)};
    const bool given[3] = {!IsBlankWide(mlo), !IsBlankWide(clo), !IsBlankWide(plo)};
    size_t changed = 0;
    for (size_t target : targets) {
        if (target >= g_fixupIssues.size()) continue;
        ImportIssue& issue = g_fixupIssues[target];
        size_t index = 0;
        if (!given[0] || !FindItemIndexById(issue.id, index)) continue;
        json& item = g_jsonDoc["items"][index];
        auto objectives = item.find("objectives");
        if (objectives == item.end() || !objectives->is_object()) item["objectives"] = json::object();
        json& obj = item["objectives"];
        obj["MLO"] = typed[0];
        // The item's own CLO and PLO stay; a typed one fills a blank or missing one.
        for (int k = 1; k < 3; ++k) {
            const std::string stored = StringMember(obj, keys[k]);
            if (given[k] && IsBlank(stored)) obj[keys[k]] = typed[k];
            else if (!obj.contains(keys[k]) || !obj[keys[k]].is_string()) obj[keys[k]] = stored;
        }
        issue.missingMlo = false;
        ++changed;
    }
    return changed;
}

size_t ApplyItemOutcomesToTargets(const std::vector<size_t>& targets, size_t itemIndex)
{
    const json& item = g_jsonDoc["items"][itemIndex];
    auto objectives = item.find("objectives");
    if (objectives == item.end() || !objectives->is_object()) return 0;
    return ApplyOutcomesToTargets(targets, s2w(StringMember(*objectives, "MLO")), s2w(StringMember(*objectives, "CLO")),
                                  s2w(StringMember(*objectives, "PLO")));
}

std::u16string ApplyOutcomesQuestion(const std::u16string& mlo, const std::u16string& clo, const std::u16string& plo,
                                     size_t others, bool sameCategory, const std::string& category)
{
    // Every outcome that will be written is named: a typed CLO or PLO goes too.
    std::vector<std::u16string> parts{u"the MLO \"" + mlo + u"\""};
    if (!IsBlankWide(clo)) parts.push_back(u"the CLO \"" + clo + u"\"");
    if (!IsBlankWide(plo)) parts.push_back(u"the PLO \"" + plo + u"\"");
    std::u16string text = u"Apply " + parts[0];
    for (size_t i = 1; i < parts.size(); ++i) text += (i + 1 == parts.size() ? u" and " : u", ") + parts[i];
    text += u" to this item and the " + DecimalW(others) +
            (others == 1 ? u" other remaining item" : u" other remaining items");
    if (sameCategory) text += u" of category \"" + s2w(category) + u"\"";
    text += others == 1 ? u" that lacks an MLO?" : u" that lack an MLO?";
    if (parts.size() > 1 && others > 0)
        text += u"\n\nThe other items keep a CLO or PLO of their own; the typed ones fill only those left blank.";
    return text;
}
