#pragma once
#include <deque>
#include <string>
#include <vector>

#include "ui/ModalUi.h"

// Scripted answers to the modal interactions, and a record of every message box.
struct ModalScript {
    struct Message {
        void* owner;
        std::u16string text;
        std::u16string caption;
        MsgIcon icon;
    };
    std::deque<std::u16string> openPaths;
    std::deque<std::vector<std::u16string>> openPathLists;
    std::deque<std::u16string> savePaths;
    std::deque<size_t> saveTypes; // the file type chosen with each typed save path
    std::vector<std::vector<FileType>> offeredTypes;
    std::deque<MsgAnswer> answers; // for questions; an empty queue answers Cancel
    std::vector<std::u16string> suggestedNames;
    std::vector<std::u16string> dialogTitles; // of the save dialogs with file types
    std::vector<Message> messages;

    std::u16string NextOpenPath() { return Pop(openPaths, std::u16string()); }
    std::vector<std::u16string> NextOpenPaths() { return Pop(openPathLists, std::vector<std::u16string>()); }
    std::u16string NextSavePath(const std::u16string& suggested)
    {
        suggestedNames.push_back(suggested);
        return Pop(savePaths, std::u16string());
    }
    std::u16string NextTypedSavePath(const std::u16string& suggested, const std::vector<FileType>& types,
                                     size_t& type)
    {
        offeredTypes.push_back(types);
        type = Pop(saveTypes, type);
        return NextSavePath(suggested);
    }
    MsgAnswer Record(void* owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                     MsgButtons buttons)
    {
        messages.push_back({owner, text, caption, icon});
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : Pop(answers, MsgAnswer::Cancel);
    }

private:
    template <class T>
    static T Pop(std::deque<T>& queue, T fallback)
    {
        if (queue.empty()) return fallback;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

// A ModalUi (or DocumentUi) whose modal interactions are answered from the script.
template <class Base>
class Scripted : public Base, public ModalScript {
public:
    std::u16string AskOpenPath(void*) override { return NextOpenPath(); }
    std::vector<std::u16string> AskOpenPaths(void*) override { return NextOpenPaths(); }
    std::u16string AskSavePath(void*, const std::u16string& suggested) override { return NextSavePath(suggested); }
    std::u16string AskSavePathOfType(void*, const std::u16string& suggested, const std::vector<FileType>& types,
                                     size_t& type, const std::u16string& title) override
    {
        dialogTitles.push_back(title);
        return NextTypedSavePath(suggested, types, type);
    }
    MsgAnswer ShowMessage(void* owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        return Record(owner, text, caption, icon, buttons);
    }
};

// The GUI tests' stand-in for the real dialogs and message boxes.
using ScriptedModalUi = Scripted<ModalUi>;
