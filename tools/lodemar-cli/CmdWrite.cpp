#include "CliCommand.h"
#include "CliTexts.h"
#include "KeyboardSession.h"

namespace lodemar::cli {

int runWrite(const Arguments& given)
{
    return writeFileToKeyboard(commandNamed("write").name, given);
}

} // namespace lodemar::cli
