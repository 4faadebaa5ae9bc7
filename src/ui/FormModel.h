#pragma once
// The values of a form, apart from its window: field texts and list selections by control
// ID. Windows copy their controls to and from it; the load, save and visibility rules
// work on it and are tested without a window.
#include <map>
#include <string>

struct FormModel {
    std::map<int, std::u16string> texts;
    std::map<int, int> selections; // -1: nothing selected

    const std::u16string& Text(int id) const
    {
        static const std::u16string empty;
        auto it = texts.find(id);
        return it == texts.end() ? empty : it->second;
    }
    int Selection(int id) const
    {
        auto it = selections.find(id);
        return it == selections.end() ? -1 : it->second;
    }
};
