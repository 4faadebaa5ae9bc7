#include "model/JsonModel.h"

DocumentState g_document;
json& g_jsonDoc = g_document.jsonDoc;
bool& g_hasJson = g_document.hasJson;
bool& g_viewRaw = g_document.viewRaw;
std::u16string& g_rawJsonText = g_document.rawJsonText;
std::u16string& g_currentPath = g_document.currentPath;
NoteList& g_validationWarnings = g_document.validationWarnings;
bool& g_modified = g_document.modified;
bool& g_rawEdited = g_document.rawEdited;

void ResetDocumentState() { g_document = DocumentState{}; }

void RebuildRawText()
{
    g_rawJsonText = DumpJsonForRawView(g_jsonDoc);
    g_rawEdited = false;
}

void MarkDocumentChanged()
{
    RebuildRawText();
    g_validationWarnings.clear();
    AppendValidationWarnings(g_jsonDoc, g_validationWarnings);
    g_modified = true;
}
