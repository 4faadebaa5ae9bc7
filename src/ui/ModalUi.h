#pragma once
#include <string>
#include <vector>

#include "util/FileUtil.h"

enum class MsgIcon { Error, Info, Warning, Question };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// The modal interactions of the program: it implements them with Win32 dialogs and
// message boxes; tests and the testbank command script them. `owner` is the owning
// window handle.
class ModalUi {
public:
    virtual ~ModalUi() = default;
    virtual std::u16string AskOpenPath(void* owner) = 0;
    virtual std::vector<std::u16string> AskOpenPaths(void* owner) = 0;
    virtual std::u16string AskSavePath(void* owner, const std::u16string& suggested) = 0;
    // A save dialog whose file-type list offers `types`, starting at `type`; the type the
    // user chose comes back in `type` (it decides the format and the default extension).
    // `title` names what is saved ("Save Answer Key As").
    virtual std::u16string AskSavePathOfType(void* owner, const std::u16string& suggested,
                                             const std::vector<FileType>& types, size_t& type,
                                             const std::u16string& title)
    {
        (void)title;
        (void)types;
        (void)type;
        return AskSavePath(owner, suggested);
    }
    // An open dialog whose file-type list offers `types`, starting at `type`; the type the
    // user chose comes back in `type`. Tests and the command script it as an ordinary open.
    virtual std::u16string AskOpenPathOfType(void* owner, const std::vector<FileType>& types, size_t& type,
                                             const std::u16string& title)
    {
        (void)title;
        (void)types;
        (void)type;
        return AskOpenPath(owner);
    }
    virtual std::vector<std::u16string> AskOpenPathsOfType(void* owner, const std::vector<FileType>& types,
                                                           size_t& type, const std::u16string& title)
    {
        (void)title;
        (void)types;
        (void)type;
        return AskOpenPaths(owner);
    }
    virtual MsgAnswer ShowMessage(void* owner, const std::u16string& text, const std::u16string& caption,
                                  MsgIcon icon, MsgButtons buttons) = 0;
};

// Every dialog and message box of the program goes through this; tests replace it.
// Defined by the Win32 side only.
extern ModalUi* g_modalUi;
