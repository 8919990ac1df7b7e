#include "host/data/tsql/Reparse.hpp"

#include "host/data/tsql/parser/Parser.hpp"
#include "host/data/tsql/writer/TSqlWriter.hpp"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace Talvex::Data::TSql {

void CheckReparse(std::string_view tsql)
{
    Ast::Batch first = ParseBatch(tsql);
    std::string written = TSqlWriter().Batch(first);
    Ast::Batch second = ParseBatch(written);
    if (!(first == second))
        throw std::logic_error("The T-SQL front end reads its own writing differently.\nStatement: " +
                               std::string(tsql) + "\nWritten back: " + written);
}

bool ReparseCheckEnabled()
{
    static const bool enabled = [] {
        const char* value = std::getenv("TALVEX_REPARSE");
        return value && std::string(value) == "1";
    }();
    return enabled;
}

} // namespace Talvex::Data::TSql
