#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "quarn/cube/DebtCubeRows.hpp"
#include "quarn/cube/fCubeDebtByClients.hpp"
#include "quarn/debt/OverdueBands.hpp"
#include "quarn/frame/IReportExec.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
class CCube;
namespace Cube {
class Engine;
class GridCell;
} // namespace Cube
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

class COLAPCubeExt2;

// The debt cube of clients (or, in the buying direction, of vendors): the open debts on a
// report date by document, in the accounting currency, sorted into overdue bands of the
// user's own day intervals, by department, responsible person, client and band; from a
// cell the documents behind it, a debt letter of one of four severities, the client's card.
// Its report contract also serves the printed letter "R_DebtOfClients" with its data.
class RDebtOfClients : public Talvex::Object,
                       public ReportExecBase,
                       public IMainEntry,
                       public Talvex::ICubeForm2,
                       public std::enable_shared_from_this<RDebtOfClients> {
public:
    RDebtOfClients() = default;
    ~RDebtOfClients() override;

    // Opens the cube window over the Book of the parameters ("IsBuyDirection" = 1: vendors).
    void Main(Talvex::FieldList& params) override;
    // With "Data" in the parameters: the letter's data (company and client details, the
    // rows of the filter sorted by client and due date). Without it, as Main.
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    void OnOpenCube(Talvex::CCube& cube) override;
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) override;
    void OnUserMenu(int index) override;
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) override;

    // Without a window: takes the Book and direction; false when there is no Book.
    bool Prepare(Talvex::FieldList& params);
    bool IsBuyDirection() const { return isBuyDirection_; }
    // Reads the open debts and unlinked payments for the parameters (fetch).
    DebtCubeRows ReadRows(const DebtCubeParams& params) const;
    // The list of open debts, and of payments not linked to documents, as read.
    std::shared_ptr<Talvex::DataList> DebtList(const DebtCubeParams& params) const;
    std::shared_ptr<Talvex::DataList> PaymentList(const DebtCubeParams& params) const;
    // The bands of the intervals with the module's texts for the short form.
    static OverdueBands BandsOf(const std::vector<OverdueInterval>& intervals);
    // Dimensions, facts and the first layout on an inactive engine.
    void DefineCube(Talvex::Cube::Engine& engine) const;
    std::string CubeCaption(const DebtCubeParams& params) const;
    // Sorts the rows read into the new bands and reloads the cube without reading again.
    void ChangeBands(Talvex::CCube& cube, const std::vector<OverdueInterval>& intervals);

    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }
    const std::optional<DebtCubeRows>& Rows() const { return rows_; }
    // The rows as the drill-down and the letter read them, in the current bands.
    const std::shared_ptr<Talvex::Data::Recordset>& Data();

private:
    void LoadCube(Talvex::CCube& cube);
    void AddBandButton(Talvex::CCube& cube);
    void PrintLetter(int gravity);
    void OpenClientCard();
    void FillLetterData(Talvex::FieldList& inParams, Talvex::FieldList& outParams);
    void JoinParties(Talvex::DataList& list, const DebtCubeParams& params) const;

    std::shared_ptr<Talvex::Book> book_;
    bool isBuyDirection_ = false;
    Talvex::CCube* cube_ = nullptr;
    DebtCubeParams params_;
    std::optional<DebtCubeRows> rows_;
    std::shared_ptr<Talvex::Data::Recordset> data_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;
};

// The same cube in the buying direction: vendors' debts.
class RDebtOfEntpr : public Talvex::Object, public IMainEntry {
public:
    void Main(Talvex::FieldList& params) override;
};

} // namespace Quarn_DuzAde
