#pragma once

#include "quarn/cube/CubeReport.hpp"
#include "quarn/cube/ISrcDocList.hpp"
#include "quarn/cube/PurchasePriceMarks.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
namespace Ui {
class BaseDialog;
class Form;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

class RDiffCostPrice;

// Purchases above the lowest price: the goods rows of posted purchase invoices of a period
// set against the lowest unit cost their goods were bought at in the period, by date,
// department, person, supplier, goods and mark (at the lowest price, within the tolerated
// excess, above it), with the quantity, the value, what it would have cost at the lowest
// price, both prices, the excess in percent and the sum overpaid. A buyer finds the
// purchases made at a worse price, and opens the cost prices of one goods from its cell.
class RPurchaseBigPrice : public CubeReport, public IMainEntry, public ISrcDocList {
public:
    RPurchaseBigPrice();
    ~RPurchaseBigPrice() override;

    // Takes the Book and the parameters and opens the cube window, which carries the report.
    void Main(Talvex::FieldList& params) override;
    // Main over the Book with the default parameters.
    void Test(std::shared_ptr<Talvex::Book> book);

    // What Main does before the window opens: keeps the parameters, takes the Book, adds the
    // defaults (the current year, all goods, 10 percent) and reads the departments' names.
    // False without a Book.
    bool Prepare(Talvex::FieldList& params);
    // The purchase rows of the period with a cost and a quantity, one per goods row.
    std::shared_ptr<Talvex::DataList> CreateList() const;
    // Fetch: the rows of the list, typed.
    std::vector<PurchaseLineRow> ReadRows() const;
    // Compute: the rows set against their goods' lowest price with the form's tolerance.
    PurchasePriceMarks Compute(const std::vector<PurchaseLineRow>& rows) const;
    // The three texts of the marks, with the tolerance in them.
    std::vector<std::string> MarkTexts() const;
    // Dimensions and facts on an inactive engine.
    static void DefineCube(Talvex::Cube::Engine& engine);
    std::string CubeCaption() const;
    Talvex::Ui::Form* ListForm() const { return listForm_.get(); }
    // The cost prices of the goods the focused cell stands for, when it stands for one.
    std::shared_ptr<RDiffCostPrice> CostPrices() const { return costPrices_; }

    // ISrcDocList: the rows computed, narrowed to the cell by the cube companion.
    std::shared_ptr<Talvex::DataList> SourceList() override { return nullptr; }
    std::shared_ptr<Talvex::Data::Recordset> SourceRst() override { return rows_; }
    bool ListIsFill() override { return true; }
    Talvex::FieldList& ShowFields() override { return showFields_; }
    std::string Filter() override;
    std::string FltrInfo() override;
    std::string PeriodFltrInfo() override;
    std::string Caption() override;
    bool DistinctByIDC() override { return false; }

private:
    void Open(Talvex::CCube& cube) override;
    void OpenDrillDown(const Talvex::Cube::GridCell* cell) override;
    void AddMenuItems(std::vector<std::string>& items) override;
    void OnMenu(int index) override;
    void OpenCostPrices();

    std::shared_ptr<Talvex::Data::Recordset> rows_;
    Talvex::FieldList showFields_;
    std::shared_ptr<Talvex::Ui::Form> listForm_;
    std::unique_ptr<Talvex::Ui::BaseDialog> listDialog_;
    std::shared_ptr<RDiffCostPrice> costPrices_;
};

} // namespace Quarn_DuzAde
