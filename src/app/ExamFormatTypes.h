#pragma once
#include <vector>

#include "ui/AppServices.h"

// The exchange formats as Save Selections offers them.
std::vector<ExamSaveType> ExamFormatSaveTypes();
