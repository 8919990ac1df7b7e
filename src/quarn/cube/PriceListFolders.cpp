#include "quarn/cube/PriceListFolders.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"

#include <algorithm>
#include <map>

namespace Quarn_DuzAde {

namespace {
// A folder tree deeper than this is taken for a loop in the references.
constexpr std::size_t kMaxFolderDepth = 12;
} // namespace

void PriceListFolders::Read(const std::shared_ptr<Talvex::Book>& book, const std::string& missingText)
{
    table_.Drop();
    levels_.clear();
    auto folders = book->CreateList("REFPriceListFolder");
    folders->Fields().SelectFields({"Code", "Parent"});
    folders->Refresh();
    std::map<std::string, std::string> parentOf;
    auto rs = folders->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const Talvex::Value parent = rs->Fields().Item("Parent").Value();
        parentOf[rs->Fields().Item("Code").Value().ToText()] = parent.IsNull() ? std::string() : parent.ToText();
    }
    std::size_t depth = 0;
    for (const auto& [code, parent] : parentOf) {
        std::size_t d = 1;
        for (auto up = parent; !up.empty() && d < kMaxFolderDepth; ++d) {
            const auto found = parentOf.find(up);
            up = found == parentOf.end() ? std::string() : found->second;
        }
        depth = std::max(depth, d);
    }
    if (depth == 0) return;

    // f1 is the good's own folder, f2 its parent and so on. Level k (1 the outermost) of a
    // folder d deep is f(d-k+1); a folder shallower than the tree repeats itself below.
    const std::string missing = Talvex::SqlTools::Literal(Talvex::FieldType::kText, Talvex::Value(missingText));
    auto text = [](std::size_t i) {
        const std::string f = "f" + std::to_string(i);
        return f + ".Code + ':' + " + f + ".Name";
    };
    std::string select = "SELECT x.GoodCode";
    for (std::size_t k = 1; k <= depth; ++k) {
        std::string level = "CASE";
        for (std::size_t d = depth; d >= 1; --d)
            level += " WHEN f" + std::to_string(d) + ".Code IS NOT NULL THEN " + text(k <= d ? d - k + 1 : 1);
        level += " ELSE " + missing + " END";
        select += ", " + level + " AS " + Field(k);
    }
    std::string from = " FROM (SELECT s.GoodCode, MIN(s.FolderCode) AS FolderCode FROM REFPriceListSpec s"
                       " JOIN (SELECT t.GoodCode, MIN(t.PriceListCode) AS PriceListCode FROM REFPriceListSpec t"
                       " WHERE t.FolderCode IS NOT NULL GROUP BY t.GoodCode) m"
                       " ON m.GoodCode = s.GoodCode AND m.PriceListCode = s.PriceListCode"
                       " WHERE s.FolderCode IS NOT NULL GROUP BY s.GoodCode) x"
                       " LEFT JOIN REFPriceListFolder f1 ON f1.Code = x.FolderCode";
    for (std::size_t d = 2; d <= depth; ++d)
        from += " LEFT JOIN REFPriceListFolder f" + std::to_string(d) + " ON f" + std::to_string(d) + ".Code = f" +
                std::to_string(d - 1) + ".Parent";
    table_.Fill(book, "PriceListFolders", [&](const std::string& table) { return select + " INTO " + table + from; });
    for (std::size_t k = 1; k <= depth; ++k)
        levels_.push_back(Field(k));
}

} // namespace Quarn_DuzAde
