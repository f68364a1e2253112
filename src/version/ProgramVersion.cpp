#include "version/ProgramVersion.h"

#include "version/ProgramVersionNumber.h"

const char* ProgramVersion()
{
    return QORA_PROGRAM_VERSION;
}

std::string VersionText(const char* program)
{
    return std::string(program) + ' ' + ProgramVersion() + '\n';
}
