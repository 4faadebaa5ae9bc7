#pragma once
// Adds the exchange formats to the Save Selections file types (once).
void RegisterExamSaveTypes();
