#include <algorithm>

#include "model/ModelDetail.h"
#include "util/TextFold.h"

namespace {

std::string FoldedField(const json& item, const char* key)
{
    auto it = item.find(key);
    return it == item.end() ? std::string() : FoldForComparison(ScalarText(*it));
}

} // namespace

ItemContent GetItemContent(const json& item)
{
    ItemContent content;
    if (!item.is_object()) return content;
    content.type = FoldedField(item, "type");
    content.question = FoldedField(item, "question");
    auto choices = item.find("choices");
    const bool choiceItem = choices != item.end() && (choices->is_object() || choices->is_array());
    if (choiceItem) {
        for (const json& choice : *choices) {
            std::string text = FoldForComparison(ScalarText(choice));
            if (!text.empty()) content.choices.push_back(std::move(text));
        }
        std::sort(content.choices.begin(), content.choices.end());
    }
    auto algorithm = item.find("algorithm");
    if (algorithm != item.end() && algorithm->is_object()) content.choices.push_back(FoldForComparison(JsonText(*algorithm)));

    auto correct = item.find("correct");
    if (correct == item.end() || correct->is_null()) correct = item.find("answer");
    if (correct == item.end()) return content;
    if (choiceItem && choices->is_object() && correct->is_string()) {
        std::string letter = correct->get<std::string>();
        auto chosen = choices->find(letter);
        if (chosen == choices->end()) {
            for (char& c : letter)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            chosen = choices->find(letter);
        }
        if (chosen != choices->end()) {
            content.key = FoldForComparison(ScalarText(*chosen));
            return content;
        }
    }
    content.key = FoldForComparison(ScalarText(*correct));
    return content;
}
