#include "cli/CliOutput.h"

#include <unistd.h>

SCliOutput SCliOutput::Standard()
{
    SCliOutput output;
    output.errIsTerminal = isatty(fileno(stderr)) == 1;
    return output;
}
