#include "metadata/TagSource.h"

std::string_view OutcomeReason(ReadOutcome outcome)
{
    switch (outcome) {
    case ReadOutcome::Read:
        return "read";
    case ReadOutcome::NotOpened:
        return "not a photo, or damaged";
    case ReadOutcome::NoPermission:
        return "no permission to read it";
    case ReadOutcome::Missing:
        return "gone, or not a regular file";
    case ReadOutcome::Crashed:
        return "crashed the reader";
    case ReadOutcome::TimedOut:
        return "timed out";
    case ReadOutcome::NoReader:
        return "no reader could be started";
    }
    return "unknown";
}
