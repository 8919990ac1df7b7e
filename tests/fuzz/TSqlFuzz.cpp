// libFuzzer target: any text through the T-SQL front end. What reads must be written for the
// server, and the reparse writer's text must read back as the same tree; anything else (a
// crash, a sanitizer report, an exception other than a syntax error) is a finding.

#include "host/data/tsql/TSql.hpp"
#include "host/data/tsql/parser/Parser.hpp"
#include "host/data/tsql/writer/PostgresWriter.hpp"
#include "host/data/tsql/writer/TSqlWriter.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace Talvex::Data::TSql;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Ast::Batch first;
    try {
        first = ParseBatch(text);
    } catch (const SqlSyntaxError&) {
        return 0;
    }
    (void)PostgresWriter().Batch(first);
    const std::string written = TSqlWriter().Batch(first);
    try {
        if (ParseBatch(written) == first) return 0;
        std::fprintf(stderr, "The reparse gives another tree.\nWritten back: %s\n", written.c_str());
    } catch (const SqlSyntaxError& error) {
        std::fprintf(stderr, "The reparse refuses the writer's text: %s\nWritten back: %s\n", error.what(),
                     written.c_str());
    }
    std::abort();
}
