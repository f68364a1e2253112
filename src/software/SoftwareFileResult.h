#pragma once
// Outcome of reading a master file or a software image, and the text the
// download shows the user for it.

#include <QString>

enum class ESoftwareFileResult {
    Ok = 0,
    OpenFailed,       // the file could not be opened
    ZeroLength,       // the file is empty
    TooLarge,         // more bytes than a block transfer can carry
    BadMagic,         // a master file without the "q1swdl10" mark
    Truncated,        // a field or the image header lies past the end of the file
    NoSoftware,       // the master file's software record holds no software
    BadImageName,     // the image file name is empty or names another directory
    BadSoftwareName,  // the software name does not fit its field in the transfer start
    ReadError,        // the file failed while being read
    ChecksumMismatch, // the image does not match the checksum in its header
};

// The message for the download's error text; empty for Ok.
QString SoftwareFileResultText(ESoftwareFileResult result);
