// The workbook writer of a build without libxlsxwriter (the core libraries alone, as the Windows
// cross-build makes them): a run asked for a workbook is told that this build cannot write one.
#include "extract/WorkbookWriter.h"

#include "extract/OutputFile.h"

#include <cerrno>
#include <utility>

struct WorkbookWriter::Book {};

WorkbookWriter::WorkbookWriter(DateLayout layout) : m_layout(std::move(layout)) {}

WorkbookWriter::~WorkbookWriter() = default;

bool WorkbookWriter::Begin(OutputFile& file, const std::vector<Column>&)
{
    file.SetFailed(ENOTSUP);
    return false;
}

void WorkbookWriter::AddRow(std::string_view, const std::string&, const Fields&, std::optional<double>,
                            std::optional<double>)
{
}

bool WorkbookWriter::Finish()
{
    return false;
}
