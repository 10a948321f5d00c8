// PLACEHOLDER until the FreeImage walk lands: every photo reads as not opened.
#include "metadata/FreeImageTagReader.h"

FreeImageTagReader::FreeImageTagReader() = default;
FreeImageTagReader::~FreeImageTagReader() = default;

TagReading FreeImageTagReader::Read(const std::string&)
{
    return TagReading{ReadOutcome::NotOpened, {}};
}
