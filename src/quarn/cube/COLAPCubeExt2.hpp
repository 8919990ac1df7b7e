#pragma once

#include "host/types/Currency.hpp"
#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/cube/ISrcDocList.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace Talvex {
class Book;
class CCube;
class DataList;
class Field;
class FieldList;
namespace Cube {
class GridCell;
}
namespace Data {
class Recordset;
}
namespace Ui {
class BaseDialog;
class Form;
} // namespace Ui
} // namespace Talvex

namespace Quarn_DuzAde {

// The companion every cube report keeps beside its cube window. It knows where the cube's
// rows came from (a host list, or a recordset with its field attributes) and answers for the
// focused cell: which members and which period it stands for, which condition selects its
// source rows, and how to describe that selection; it opens the drill-down list of source
// documents for a cell, applies the display rules the cube reports share (negative values
// red, zeros hidden, user styles, hidden facts) and keeps the focused position across a
// reload. It is the usual ISrcDocList of the drill-down form.
class COLAPCubeExt2 : public Talvex::Object, public ISrcDocList {
public:
    COLAPCubeExt2();
    ~COLAPCubeExt2() override;
    COLAPCubeExt2(const COLAPCubeExt2&) = delete;
    COLAPCubeExt2& operator=(const COLAPCubeExt2&) = delete;

    // Set-up and sources.
    void Init(std::shared_ptr<Talvex::Book> book, Talvex::CCube& cube);
    void Terminate();
    Talvex::CCube* cube() const { return cube_; }
    void SetSourceList(std::shared_ptr<Talvex::DataList> list) { sourceList_ = std::move(list); }
    void SetSourceRst(std::shared_ptr<Talvex::Data::Recordset> rst) { sourceRst_ = std::move(rst); }
    void SetRstFieldsAttr(std::shared_ptr<Talvex::FieldList> attrs) { rstFieldsAttr_ = std::move(attrs); }
    std::shared_ptr<Talvex::FieldList> RstFieldsAttr() const { return rstFieldsAttr_; }
    void SetListIsFill(bool listIsFill) { listIsFill_ = listIsFill; }
    void SetFieldNameToGetDocID(std::string name) { docIdField_ = std::move(name); }
    void SetFieldNameToGetDocType(std::string name) { docTypeField_ = std::move(name); }
    // The form shown in the drill-down dialog instead of CubeSrcList.
    void SetFrmShowList(std::shared_ptr<Talvex::Ui::Form> form);
    // Fills ShowFields with the document table's "IDC", "DocTypeCode", "Number", "DocumentDate".
    void CrShowFieldsByDoc();
    // True drops the list dialog; the next drill-down makes a new CubeSrcList.
    void ReInitListDlg(bool reinit);
    // Loads the list into the cube through the host loader behind a wait window; false
    // (the cube unchanged) when that fails.
    bool SetDirectDataList(std::shared_ptr<Talvex::DataList> list);

    // Focused-cell queries.
    std::string DimValOnfocusedCell(const std::string& dimName);
    std::string DimValOnfocusedCellExt(const std::string& dimName);
    Talvex::Currency FactValOnfocusedCellExt(const std::string& factName);
    std::string FilterOnfocusedCell();
    // The begin date of the focused cell's period; empty when it has none.
    std::optional<Talvex::Date> DateOnFocusedCell();
    // The begin and end of the last parsed cell's period; nothing when it has none.
    std::optional<std::pair<Talvex::Date, Talvex::Date>> CellPeriod() const;
    // Parses a cell (the focused one when none is given) without showing anything.
    void ParseCell(const Talvex::Cube::GridCell* cell);

    // Drill-down.
    void ListByCell(const Talvex::Cube::GridCell* cell = nullptr);
    void ListByCell_EMPCost(const Talvex::Cube::GridCell* cell = nullptr);
    Talvex::Value EMPCostReport() const { return Talvex::Value(empCost_); }
    bool IsDataChange() const;
    // The dialog of the drill-down list, once shown.
    Talvex::Ui::BaseDialog* ListDialog() const { return listDialog_.get(); }
    Talvex::Ui::Form* ListForm() const { return listForm_.get(); }

    // Display rules.
    void SetRedBackForNegValue();
    void SetRedTextForNegValue();
    void SetInVisibleZeroValue();
    void SetUserStyleComparCondition(const std::string& udStyle, Talvex::Currency value, long oper,
                                     const std::string& factName = "");
    void SetUserStyleFormulaCondition(const std::string& udStyle, const std::string& formula,
                                      const std::string& factName = "");
    void SetFactVisible();
    void HideFact(const std::string& name);
    void SetStatusText();
    void SaveCurrentPos();
    void RestoreCurrentPos();
    std::pair<int, int> SavedPosition() const { return {savedCol_, savedRow_}; }

    // The last parsed cell.
    int Year() const { return year_; }
    int Quarter() const { return quarter_; }
    int Month() const { return month_; }
    int Decade() const { return decade_; }
    int Day() const { return day_; }
    int Week() const { return week_; }
    const std::string& DimFilter() const { return dimFilter_; }
    const std::string& DateField() const { return dateField_; }
    const std::string& FactField() const { return factField_; }

    // Raised when the drill-down form has narrowed its recordset to the cell: the focused
    // cell's value, FactField and the recordset, so that a report can narrow it further.
    using CellListFilteredHandler =
        std::function<void(const Talvex::Value& cellValue, const std::string& factField, Talvex::Data::Recordset&)>;
    void OnCellListFiltered(CellListFilteredHandler handler) { cellListFiltered_ = std::move(handler); }
    // Called by the list form (its AfterSetListFilter).
    void AfterSetListFilter(Talvex::Data::Recordset& rst);

    // ISrcDocList. SourceRst gives the recordset set, else the recordset of SourceList.
    std::shared_ptr<Talvex::DataList> SourceList() override { return sourceList_; }
    std::shared_ptr<Talvex::Data::Recordset> SourceRst() override;
    bool ListIsFill() override { return listIsFill_; }
    Talvex::FieldList& ShowFields() override;
    std::string Filter() override;
    std::string FltrInfo() override { return fltrInfo_; }
    std::string PeriodFltrInfo() override { return periodFltrInfo_; }
    std::string Caption() override;
    bool DistinctByIDC() override { return false; }

private:
    const Talvex::Field* FieldAttr(const std::string& name) const;
    void ShowSourceList();
    void AddNegStyle(std::uint32_t backColor, std::uint32_t textColor, bool background);
    bool HasComparisonStyled(const std::string& styleName) const;
    std::optional<Talvex::Cube::GridCell> Focused() const;

    std::shared_ptr<Talvex::Ui::Form> listForm_;
    bool customListForm_ = false;
    Talvex::CCube* cube_ = nullptr;
    std::shared_ptr<Talvex::Book> book_;
    std::unique_ptr<Talvex::Ui::BaseDialog> listDialog_;
    std::shared_ptr<Talvex::DataList> sourceList_;
    std::shared_ptr<Talvex::FieldList> showFields_;
    std::shared_ptr<Talvex::Data::Recordset> sourceRst_;
    std::shared_ptr<Talvex::FieldList> rstFieldsAttr_;
    std::string dimFilter_;
    int year_ = 0, quarter_ = 0, month_ = 0, decade_ = 0, day_ = 0;
    int week_ = -1;
    std::string dateField_;
    std::string factField_;
    std::string fltrInfo_;
    std::string periodFltrInfo_;
    bool listIsFill_ = false;
    int savedCol_ = -1;
    int savedRow_ = -1;
    std::string docIdField_ = "IDC";
    std::string docTypeField_ = "DocTypeCode";
    bool empCost_ = false;
    CellListFilteredHandler cellListFiltered_;
};

} // namespace Quarn_DuzAde
