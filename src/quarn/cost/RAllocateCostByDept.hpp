#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <string>

namespace Talvex {
class Book;
namespace Data {
class Recordset;
}
namespace Cube {
class Engine;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

// Sales and the costs the company's allocation procedure spreads over them, by goods and
// month: sales sum, cost of sales, direct, production and general costs, the total cost,
// the profit, and the profit after general costs with its share of the sales.
class RAllocateCostByDept : public CubeReport, public IMainEntry {
public:
    RAllocateCostByDept();

    // Takes "Book" (or the host's current Book) and opens the cube window.
    void Main(Talvex::FieldList& inParams) override;

    // Params() holds what the form fills: "BegDate", "EndDate", "MFCostCenter", "AccSetCode".
    // The Book without Main:
    void SetBook(std::shared_ptr<Talvex::Book> book) { book_ = std::move(book); }

    // "sp_" + the company's code + "$CostAnltDistrib" with a placeholder per parameter.
    std::string CommandText() const;
    // Runs the company's procedure through the database command service; null when it
    // failed (the service reported it).
    std::shared_ptr<Talvex::Data::Recordset> RunProcedure();
    // The columns of the procedure's rows with their types and captions.
    static std::shared_ptr<Talvex::FieldList> RowAttributes();
    // Dimensions and facts on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine);
    // "CODE: name" of a goods member.
    std::string GoodText(const Talvex::Value& key) const;

private:
    void Open(Talvex::CCube& cube) override;
    std::optional<std::string> MemberText(const std::string& dimName, const Talvex::Value& key) const override;

    RSaleLookup goods_;
    bool goodsLoaded_ = false;
};

} // namespace Quarn_DuzAde
