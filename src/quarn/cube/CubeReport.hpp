#pragma once

#include "host/cube/ICubeForm2.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Date.hpp"
#include "quarn/cube/RSaleLookup.hpp"

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Talvex {
class Book;
class CCube;
class DataList;
namespace Data {
class Recordset;
}
namespace Cube {
class Dimension;
class Engine;
class GridCell;
} // namespace Cube
} // namespace Talvex

namespace Quarn_DuzAde {

class COLAPCubeExt2;

// What every cube report of the module keeps beside the host's cube window: its parameters
// and Book, the cube companion (`COLAPCubeExt2`), the drill-down list, and the window's
// callbacks answered one way for all. A report derives from it, opens the window through
// OpenWindow and writes Open (parameters, definition, data); errors of either reach the
// user through ReportError. The menu, the double-click and the member texts come from here,
// adjusted by the hooks below.
class CubeReport : public Talvex::Object,
                   public Talvex::ICubeForm2,
                   public std::enable_shared_from_this<CubeReport> {
public:
    // "Documents" of the user menu: the source documents behind the focused cell.
    static constexpr long kDocumentsMenuText = 15607;

    ~CubeReport() override;

    // Runs Open; what fails is reported, and the window keeps what it showed.
    void OnOpenCube(Talvex::CCube& cube) final;
    // The frame shows the title; the menu lists the documents behind the focused cell first,
    // then the report's own items (AddMenuItems).
    void OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems) final;
    // Item 1 opens the drill-down of the focused cell; the others go to OnMenu.
    void OnUserMenu(int index) final;
    // The member's text from MemberText when it gives one; otherwise the host's own.
    void OnDimMapping(Talvex::CCube& cube, const Talvex::Cube::Dimension& viewDim, const Talvex::Value& key,
                      std::string& value) final;
    // A double-click opens the drill-down of that cell.
    void OnFactCellDblClick(Talvex::CCube& cube, const Talvex::Cube::GridCell& cell) final;

    COLAPCubeExt2* Wrapper() const { return wrapper_.get(); }
    Talvex::FieldList& Params() { return *params_; }
    // The display text of a member: MemberText's, else the key's own text.
    std::string DimMappingText(const std::string& dimName, const Talvex::Value& key) const;

protected:
    // titleText names the report (frame, parameter form, caption); documentsMenuText the
    // first item of the user menu.
    explicit CubeReport(long titleText, long documentsMenuText = kDocumentsMenuText);

    // The report's parameters are asked for, the cube defined and its data attached.
    virtual void Open(Talvex::CCube& cube) = 0;
    // The drill-down of a cell (null: the focused one). By default the companion lists the
    // cell's rows of its source (a list given to it or the recordset in recordset mode).
    virtual void OpenDrillDown(const Talvex::Cube::GridCell* cell);
    // Items of the user menu after the documents, and the choice of one (index from 2).
    virtual void AddMenuItems(std::vector<std::string>& items) { (void)items; }
    virtual void OnMenu(int index) { (void)index; }
    // A member's display text; nothing keeps the host's text. By default a dimension whose
    // name holds "Department" shows "code:name" once LoadDepartments has read them.
    virtual std::optional<std::string> MemberText(const std::string& dimName, const Talvex::Value& key) const;

    // The report's title text.
    std::string Title() const;

    // The entry: when prepare answers true, opens the host's cube window under key, which
    // carries the report from then on. What fails is reported.
    void OpenWindow(const std::string& key, const std::function<bool()>& prepare);

    // Keeps a copy of the parameters and takes their Book ("Book"; with hostBook the host's
    // current Book when none is given, then written into the copy). False without a Book.
    bool TakeParams(const Talvex::FieldList& inParams, bool hostBook = false);
    // Adds a parameter that is not there yet.
    void AddDefault(const char* name, Talvex::FieldType typeCode, Talvex::Value value);
    // "DateBeg" the first day of the Book's year; "DateEnd" its last day, or today with
    // toToday.
    void AddYearDefaults(bool toToday = false);
    // "GoodCode" empty (all goods) and "IsGroup" 0.
    void AddGoodsDefaults();
    // Reads the departments' names for the "Department" members.
    void LoadDepartments();

    // A date parameter (a date or a date's text); throws ValueError naming it otherwise.
    // While a list of a half of the period is made, "DateBeg" and "DateEnd" are the half's.
    Talvex::Date DateParam(const char* name) const;
    // The list `make` makes of the period, read with the server working on the period's halves
    // at once (ReadByHalves): `make` reads the period from DateParam.
    std::shared_ptr<Talvex::DataList> ReadPeriodList(const std::function<std::shared_ptr<Talvex::DataList>()>& make);
    // A parameter's text, empty when missing or null.
    std::string TextParam(const char* name) const;
    // True when the parameter is 1.
    bool FlagParam(const char* name) const;
    // "from <DateBeg> to <DateEnd>" in the resource texts.
    std::string FromToText() const;
    // "<DateBeg> - <DateEnd>".
    std::string PeriodSpan() const;
    // " Group <code>" or " Good <code>" for a goods node or good chosen; empty for all goods.
    std::string GoodNodeText() const;

    // A definition starts on an inactive engine without dimensions or facts, and ends with
    // every fact shown and the rows not folded before the layout.
    static void ClearCube(Talvex::Cube::Engine& engine);
    static void ShowAllFacts(Talvex::Cube::Engine& engine);
    // Facts summed from the source's columns of their names, captioned by their texts, in
    // the order given.
    static void AddSummedFacts(Talvex::Cube::Engine& engine,
                               std::initializer_list<std::pair<const char*, long>> facts);
    // After the cube is defined: its rows open at their first level and the window's caption.
    static void ShowDefined(Talvex::CCube& cube, const std::string& caption);
    // A new companion over the cube, the previous one closed; the drill-down list is made
    // again when next asked for.
    COLAPCubeExt2& NewWrapper(Talvex::CCube& cube);
    // SQL mode: the list read under the wait message and given to a new companion as the
    // cube's data; tells the user (text nothingText and the period) when it holds no row.
    COLAPCubeExt2& ShowList(Talvex::CCube& cube, const std::shared_ptr<Talvex::DataList>& list, long nothingText);
    // The same for the list `read` reads and returns.
    COLAPCubeExt2& ShowList(Talvex::CCube& cube, const std::function<std::shared_ptr<Talvex::DataList>()>& read,
                            long nothingText);
    // Recordset mode: a new companion whose drill-down lists the rows of the cell from rows,
    // with the columns' types and captions from attrs.
    COLAPCubeExt2& ShowRows(Talvex::CCube& cube, const std::shared_ptr<Talvex::Data::Recordset>& rows,
                            std::shared_ptr<Talvex::FieldList> attrs);
    // The drill-down over a list of source documents made once by create: the documents'
    // columns and the named ones, with their captions; then the cell's documents.
    void ListDocuments(const Talvex::Cube::GridCell* cell,
                       const std::function<std::shared_ptr<Talvex::DataList>()>& create,
                       std::initializer_list<const char*> columns);

    // A member key's text; empty for null or empty.
    static std::string KeyText(const Talvex::Value& key);

    std::shared_ptr<Talvex::FieldList> params_ = std::make_shared<Talvex::FieldList>();
    std::shared_ptr<Talvex::Book> book_;
    RSaleLookup departments_;
    std::shared_ptr<Talvex::DataList> drillList_;
    std::shared_ptr<COLAPCubeExt2> wrapper_;

private:
    long titleText_;
    long documentsMenuText_;
    bool departmentsLoaded_ = false;
    std::optional<std::pair<Talvex::Date, Talvex::Date>> periodPart_; // the half of the period a list is made for
};

} // namespace Quarn_DuzAde
