#pragma once

#include "host/ui/Form.hpp"

#include <memory>
#include <optional>
#include <string>

namespace Talvex {
class Book;
class DataList;
class FieldList;
} // namespace Talvex

namespace Quarn_DuzAde {

// The question and the working window of the purchases from persons: period, persons (all,
// a group of the client tree, or chosen ones), goods categories, minimum sum, the cut-off day
// of the income, and the XML file. Show fills the grid, Print prints it under the report
// code "RBuyFromPerson", Save writes the FR0471 file of the same list.
class frmRepBuyFromPerson : public Talvex::Ui::Form {
public:
    static constexpr const char* kReportCode = "RBuyFromPerson";
    static constexpr const char* kList = "lstPersons";

    frmRepBuyFromPerson();

    // Loads the last selections of the user, shows the form modally until it is closed.
    void Run(std::shared_ptr<Talvex::Book> book, Talvex::Ui::Form* parent);

    // The file name as the export writes it: ".ffdata" added when it has no extension.
    static std::string CompleteFileName(const std::string& name);

private:
    void btShow_Click();
    void btPrint_Click();
    void btSave_Click();
    void btSelect_Click();

    // The parameters of the list from the controls; none when a control holds a bad value
    // (refused at the control).
    std::optional<Talvex::FieldList> ReadInput();
    // Builds the list and shows it; null when refused or when there is nothing to show (said).
    std::shared_ptr<Talvex::DataList> BuildList(bool importToXml);
    void ShowList(const std::shared_ptr<Talvex::DataList>& list);
    void Refuse(const std::string& control, const std::string& message);
    void ClearRefusals();
    void LoadSettings();
    void SaveSettings();
    // Whether the client code is a group (a node of the client tree).
    bool IsClientGroup(const std::string& code) const;

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
