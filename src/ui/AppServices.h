#pragma once
// The one way a feature asks the application for something: a table the application
// fills once at start-up (tests may replace an entry). Features never call each other or
// the application otherwise. An entry left empty answers as the safe side would: a
// question that guards the user's work refuses, a notice does nothing.
#include <set>
#include <string>
#include <vector>

#include "model/JsonModel.h"
#include "util/FileUtil.h"

// A file type Save Selections offers besides the exam JSON. `write` makes the file's bytes
// and the message for the user; false when nothing could be written (the message says why).
struct ExamSaveType {
    FileType type;
    // `message` lists a few items of each kind; `whole` every one (the same when none were left out).
    bool (*write)(const json& exam, std::string& bytes, std::u16string& message, std::u16string& whole);
};

struct AppServices {
    // Before a window changes the document (and so the raw text made from it): the raw
    // view's changes, typed or replaced, applied to the document first. False when they
    // do not parse (the user was told where): the caller changes nothing. `owner` is the
    // asking window.
    bool (*applyRawEdits)(void* owner) = nullptr;
    // The same without a message: false when they do not parse (they stay in the raw view).
    bool (*applyRawEditsQuietly)() = nullptr;
    // After a window changed the document's items: the windows listing them follow.
    void (*itemsChanged)() = nullptr;
    // After any change to the document or its modified state (cheap: the title).
    void (*documentEdited)() = nullptr;
    // The exam selection's IDs, or null while there is none.
    const std::set<std::string>* (*examSelection)() = nullptr;
    // Print Exam... over the current selection.
    void (*printExam)(void* owner) = nullptr;
    // Opens a saved page in the system's browser; false when that failed.
    bool (*openInBrowser)(const std::u16string& path) = nullptr;
    // The exchange formats Save Selections offers.
    std::vector<ExamSaveType> examSaveTypes;
};

const AppServices& Services();
void SetAppServices(AppServices services);
