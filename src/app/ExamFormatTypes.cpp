#include "app/ExamFormatTypes.h"

#include "formats/ExamFormats.h"
#include "util/StringUtil.h"

namespace {

// A message box lists this many left-out items, then how many more.
constexpr size_t kListedInMessage = 20;

template <ExamFormat F>
bool Write(const json& exam, std::string& bytes, std::u16string& message, std::u16string& whole)
{
    ExamFile file = WriteExamAs(F, exam);
    message = s2w(ExamFileMessage(file, F, kListedInMessage));
    whole = s2w(ExamFileMessage(file, F, static_cast<size_t>(-1)));
    bytes = std::move(file.bytes);
    return file.written;
}

} // namespace

std::vector<ExamSaveType> ExamFormatSaveTypes()
{
    return {{{u"Moodle XML (*.xml)", u"*.xml", u"xml"}, Write<ExamFormat::Moodle>},
            {{u"GIFT (*.txt)", u"*.txt", u"txt"}, Write<ExamFormat::Gift>},
            {{u"QTI 2.1 package (*.zip)", u"*.zip", u"zip"}, Write<ExamFormat::Qti21>},
            {{u"QTI 1.2 package for Canvas (*.zip)", u"*.zip", u"zip"}, Write<ExamFormat::Qti12>}};
}
