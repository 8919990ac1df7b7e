#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "host/ui/Form.hpp"
#include "host/ui/IProcessObject.hpp"
#include "quarn/cost/CostRecalcPlan.hpp"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
class FieldList;
class TableObject;
namespace Erp {
class COrder;
class CFinishGood;
class THDocumentObject;
} // namespace Erp
namespace Ui {
class BaseDialog;
class TableRowSource;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

// The period of a cost check and the company's closed dates: documents dated before the
// access date or the accounting start are never listed, whatever the period says.
struct CostCheckPeriod {
    Talvex::Date begDate;
    Talvex::Date endDate;
    Talvex::Date accessDate; // empty when the Book sets none
    Talvex::Date startDate;  // empty when the Book sets none
};

// Brings documents into line after cost prices changed: lists, for a period, the posted
// documents marked cost-changed, the manufacturing orders and finished goods whose materials
// changed (with their stored and recalculated cost), the cost norms in force and the return
// rows whose cost no longer follows the sale they return; then writes the manufacturing sums,
// the return rows' cost, and finally clears the marks.
//
// Every write is one unit of work per document, taken under the session's cost-writing lock
// and deciding from what the database holds inside the unit: a failure leaves that document as
// it was, a second run (or a second session with the same lists) writes nothing again.
class CostCheck : public Talvex::Ui::Form, public Talvex::Ui::IProcessObject {
public:
    static constexpr const char* kChDoc = "ChDocGrid";
    static constexpr const char* kMFDoc = "MFDocGrid";
    static constexpr const char* kWRDoc = "WRDocGrid";
    static constexpr const char* kRetDoc = "RetDocGrid";

    CostCheck();
    ~CostCheck() override;

    bool Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param);
    Talvex::Ui::BaseDialog* BaseDialog() const { return baseDialog_; }

    // The selections, unread (the fetch step, reached by tests and benchmarks).
    static CostCheckPeriod PeriodOf(const Talvex::Book& book, Talvex::Date begDate, Talvex::Date endDate);
    static std::shared_ptr<Talvex::DataList> CreateChangedList(std::shared_ptr<Talvex::Book> book,
                                                               const CostCheckPeriod& period);
    static std::shared_ptr<Talvex::DataList> CreateManufacturingList(std::shared_ptr<Talvex::Book> book,
                                                                     const CostCheckPeriod& period);
    static std::shared_ptr<Talvex::DataList> CreateNormList(std::shared_ptr<Talvex::Book> book,
                                                            const CostCheckPeriod& period);
    static std::shared_ptr<Talvex::DataList> CreateReturnList(std::shared_ptr<Talvex::Book> book,
                                                              const CostCheckPeriod& period);

    // The name of the session lock writers of costs take ("sp_getapplock"): sessions writing
    // at once take turns one document at a time.
    static constexpr const char* kWritingLock = "Quarn_DuzAde.CostRecalc";

    // The four lists as the form holds them.
    const Talvex::Ui::TableRowSource& ChDoc() const { return *chDoc_; }
    const Talvex::Ui::TableRowSource& MFDoc() const { return *mfDoc_; }
    const Talvex::Ui::TableRowSource& WRDoc() const { return *wrDoc_; }
    const Talvex::Ui::TableRowSource& RetDoc() const { return *retDoc_; }

    // IProcessObject: modes 0 to 3 over MFDoc, MFDoc, ChDoc and RetDoc.
    std::string Caption() override;
    long CountStep() override;
    bool Step(long index) override;

private:
    enum class Mode { RecalcManufacturing = 0, WriteManufacturing = 1, Finish = 2, WriteReturns = 3 };

    void mBaseDlg_BeforeLoadHandling();
    void btFillList_Click();
    void btSaveMFDocSum_Click();
    void btRecalcCostSum_Click();
    void btReCheckSourceDoc_Click();
    void btDoc_Click(const char* grid);
    void Form_Unload();
    void OnRefresh(Talvex::Ui::EventArgs& args);
    void OnAddFields(const char* grid);
    void OnAddColumn(Talvex::Ui::EventArgs& args);

    bool ReadPeriod(CostCheckPeriod& period);
    void FillLists(const CostCheckPeriod& period);
    void ShowRows();
    void RunPass(Mode mode);

    bool RecalcStep(long index);
    bool WriteManufacturingStep(long index);
    bool FinishStep(long index);
    bool WriteReturnStep(long index);
    // One document's units of work.
    void WriteOrder(std::int64_t orderIdc);
    void WriteFinishedGoods(std::int64_t documentIdc);
    void FinishDocument(std::int64_t idc, const std::string& docType);
    void WriteReturnDocument(std::int64_t idc);
    void PutManufacturingRows();

    Talvex::Erp::COrder& Order();

    Talvex::Ui::BaseDialog* baseDialog_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::shared_ptr<Talvex::TableObject> goodSpec_;
    std::unique_ptr<Talvex::Erp::THDocumentObject> document_;
    std::unique_ptr<Talvex::Erp::COrder> order_;

    std::shared_ptr<Talvex::Ui::TableRowSource> chDoc_, mfDoc_, wrDoc_, retDoc_;
    std::vector<ManufacturingRow> manufacturing_;
    Mode mode_ = Mode::RecalcManufacturing;
    // The document the last step handled: rows of one document are handled by its first.
    std::int64_t lastDocument_ = 0;
    bool passFailed_ = false;
};

} // namespace Quarn_DuzAde
