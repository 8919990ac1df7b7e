#include "host/data/tsql/writer/TSqlWriter.hpp"

namespace Talvex::Data::TSql {

std::string TSqlWriter::Exec(const Ast::Exec& exec)
{
    std::string out = "EXEC " + Name(exec.procedure);
    for (std::size_t i = 0; i < exec.args.size(); ++i) {
        out += i ? ", " : " ";
        if (!exec.argNames[i].empty()) out += "@" + exec.argNames[i] + " = ";
        out += Expression(exec.args[i]);
    }
    return out;
}

} // namespace Talvex::Data::TSql
