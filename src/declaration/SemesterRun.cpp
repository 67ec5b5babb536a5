#include "declaration/SemesterRun.h"

#include "declaration/DeclarationRun.h"

namespace orvida::declaration {

SemesterResult runSemesterDeclaration(const DeclarationInputs&, const DeclarationContext&, MessageSink&)
{
    return {};
}

} // namespace orvida::declaration
