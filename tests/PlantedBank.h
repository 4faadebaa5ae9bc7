#pragma once
// A generated testbank with planted duplicates of each kind and planted near-misses, for
// the recall and precision test and the benchmark.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct Plant {
    enum Kind { Reordered, CaseAndSpacing, ChangedWord, FlippedKey, FlippedTrueFalse, SameStemOtherChoices,
                SameChoicesOtherStem, kKinds };
    Kind kind;
    std::string baseId, plantId;
};

struct PlantedBank {
    nlohmann::json document;
    std::vector<Plant> plants;
};

// `bases` distinct items (every eleventh true/false), and a plant for every `every`-th base,
// the kinds in turn; the plants are spread through the bank. `templated`: questions in a
// course's set phrasing, a few words of their own inside text every item shares, and
// "All of the above" / "None of the above" among many items' choices.
inline PlantedBank MakePlantedBank(size_t bases, size_t every, unsigned seed = 7, bool templated = false)
{
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    // Words of English-like letters: a few thousand of them, as in a subject's questions.
    static const char consonants[] = "bcdfghklmnprstvwzbcdlmnrst", vowels[] = "aeiouaeioy";
    std::vector<std::string> words;
    for (int i = 0; i < 5000; ++i) {
        std::string w;
        for (size_t s = 0, n = 1 + pick(3); s < n; ++s) {
            w += consonants[pick(sizeof consonants - 1)];
            w += vowels[pick(sizeof vowels - 1)];
            if (pick(2)) w += consonants[pick(sizeof consonants - 1)];
        }
        words.push_back(w);
    }
    auto phrase = [&](size_t n) {
        std::string text;
        for (size_t i = 0; i < n; ++i) text += (i ? " " : "") + words[pick(words.size())];
        return text;
    };
    auto stem = [&] {
        if (templated) return "Which of the following statements about the " + phrase(4 + pick(2)) + " is correct?";
        return "Which " + phrase(10 + pick(6)) + "?";
    };
    auto choicesOf = [&] {
        nlohmann::json c = nlohmann::json::object();
        for (const char* letter : {"A", "B", "C", "D"}) c[letter] = phrase(1 + pick(3));
        if (templated && pick(2)) c["C"] = "All of the above";
        if (templated && pick(2)) c["D"] = "None of the above";
        return c;
    };
    static const char* const letters[] = {"A", "B", "C", "D"};

    PlantedBank bank;
    std::vector<nlohmann::json> items, extra;
    for (size_t i = 0; i < bases; ++i) {
        nlohmann::json item = {{"id", "Q" + std::to_string(i + 1)}, {"question", stem()}};
        if (i % 11 == 0) {
            item["type"] = "true_false";
            item["question"] = "The " + phrase(9 + pick(6)) + ".";
            item["correct"] = pick(2) ? "True" : "False";
        } else {
            item["type"] = "multiple_choice";
            item["choices"] = choicesOf();
            item["correct"] = letters[pick(4)];
        }
        item["objectives"] = {{"MLO", "M"}, {"CLO", "C"}, {"PLO", "P"}};
        items.push_back(item);
        if (i % every != 0) continue;
        const bool tf = i % 11 == 0;
        Plant::Kind kind = static_cast<Plant::Kind>((i / every) % Plant::kKinds);
        if (tf) kind = (i / every) % 2 ? Plant::FlippedTrueFalse : Plant::CaseAndSpacing;
        else if (kind == Plant::FlippedTrueFalse) kind = Plant::FlippedKey;
        nlohmann::json copy = item;
        const std::string plantId = "P" + std::to_string(i + 1);
        copy["id"] = plantId;
        std::string question = item["question"];
        switch (kind) {
        case Plant::Reordered: {
            std::vector<std::string> texts;
            for (const char* l : letters) texts.push_back(item["choices"][l]);
            const std::string key = item["choices"][item["correct"].get<std::string>()];
            std::rotate(texts.begin(), texts.begin() + 1 + pick(3), texts.end());
            for (int k = 0; k < 4; ++k) {
                copy["choices"][letters[k]] = texts[k];
                if (texts[k] == key) copy["correct"] = letters[k];
            }
            break;
        }
        case Plant::CaseAndSpacing:
            for (char& c : question)
                if (c >= 'a' && c <= 'z' && pick(3) == 0) c = static_cast<char>(c - 32);
            question = "  " + question.substr(0, question.size() - 1);
            for (size_t at = question.find(' ', 3); at != std::string::npos; at = question.find(' ', at + 3))
                if (pick(2)) question.insert(at, pick(2) ? " " : "\t");
            copy["question"] = question + " ?!";
            break;
        case Plant::ChangedWord: {
            const size_t at = question.find(' ', question.size() / 2);
            const size_t next = question.find(' ', at + 1);
            copy["question"] = question.substr(0, at + 1) + words[pick(words.size())] + question.substr(next);
            break;
        }
        case Plant::FlippedKey: {
            const std::string now = item["correct"];
            copy["correct"] = letters[(now[0] - 'A' + 1 + pick(3)) % 4];
            break;
        }
        case Plant::FlippedTrueFalse: copy["correct"] = item["correct"] == "True" ? "False" : "True"; break;
        case Plant::SameStemOtherChoices: copy["choices"] = choicesOf(); break;
        case Plant::SameChoicesOtherStem: copy["question"] = stem(); break;
        default: break;
        }
        bank.plants.push_back(Plant{kind, item["id"], plantId});
        extra.push_back(copy);
    }
    // Plants land at random places among the bases.
    for (nlohmann::json& e : extra) items.push_back(std::move(e));
    std::shuffle(items.begin(), items.end(), rng);
    bank.document = {{"items", std::move(items)}};
    return bank;
}
