#include "model/JsonModel.h"

DocumentState g_document;
json& g_jsonDoc = g_document.jsonDoc;
bool& g_hasJson = g_document.hasJson;
bool& g_viewRaw = g_document.viewRaw;
std::u16string& g_rawJsonText = g_document.rawJsonText;
std::u16string& g_currentPath = g_document.currentPath;
NoteList& g_validationWarnings = g_document.validationWarnings;
bool& g_modified = g_document.modified;

void ResetDocumentState() { g_document = DocumentState{}; }

void RebuildRawText()
{
    g_rawJsonText = DumpJsonForRawView(g_jsonDoc);
    g_document.raw = RawText::Current;
}

void EnsureRawTextCurrent()
{
    if (g_document.raw == RawText::Stale) RebuildRawText();
}

void EnsureNotesCurrent()
{
    if (!g_document.notesStale) return;
    g_validationWarnings = g_document.keptNotes;
    AppendValidationWarnings(g_jsonDoc, g_validationWarnings);
    g_document.notesStale = false;
}

void MarkDocumentChanged()
{
    RebuildRawText();
    g_document.notesStale = true;
    EnsureNotesCurrent();
    g_modified = true;
}

void MarkItemsEdited()
{
    g_document.raw = RawText::Stale;
    g_document.notesStale = true;
    g_modified = true;
}

std::u16string MainWindowTitleText(bool hasDocument, const std::u16string& path, bool modified,
                                   const std::u16string& programTitle)
{
    if (!hasDocument) return programTitle;
    const size_t slash = path.find_last_of(u"/\\");
    const std::u16string name = path.empty() ? u"Untitled" : slash == std::u16string::npos ? path : path.substr(slash + 1);
    return (modified ? u"*" : u"") + name + u" - " + programTitle;
}
