#include "software/SoftwareFileResult.h"

namespace {

const char* const kOpenError =
    "Error while opening the source file.\n\n"
    "Check that the source file exists and is not used by another\n"
    "process, then try again.";
const char* const kZeroLength =
    "Source file length is zero.\n\n"
    "Check that the source file is a valid QORA software image file\n"
    "and try again.";
const char* const kTooLarge =
    "Source file is too large.\n\n"
    "Check that the source file is a valid QORA software image file\n"
    "and try again.";
const char* const kReadError = "Error encountered when reading data from the source file.";

} // namespace

QString SoftwareFileResultText(ESoftwareFileResult result)
{
    switch (result) {
    case ESoftwareFileResult::Ok:
        return {};
    case ESoftwareFileResult::ZeroLength:
        return QString::fromLatin1(kZeroLength);
    case ESoftwareFileResult::TooLarge:
        return QString::fromLatin1(kTooLarge);
    case ESoftwareFileResult::ReadError:
    case ESoftwareFileResult::ChecksumMismatch:
        return QString::fromLatin1(kReadError);
    case ESoftwareFileResult::OpenFailed:
    case ESoftwareFileResult::BadMagic:
    case ESoftwareFileResult::Truncated:
    case ESoftwareFileResult::NoSoftware:
    case ESoftwareFileResult::BadImageName:
    case ESoftwareFileResult::BadSoftwareName:
        break;
    }
    return QString::fromLatin1(kOpenError);
}
