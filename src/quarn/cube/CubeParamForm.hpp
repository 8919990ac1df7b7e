#pragma once

#include "host/ui/Form.hpp"

#include <string>
#include <vector>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// What the cube reports' parameter forms share: the modal run over the report's parameters,
// OK that writes the choice only when every check passed, Cancel, and the controls most of
// them hold (the period, a goods node or good, suppliers) with their checks. A form adds its
// controls in its constructor and reads and writes its own parameters.
class CubeParamForm : public Talvex::Ui::Form {
public:
    // Loads the controls from params, shows the form modally and, on OK, writes the choice
    // back. True when the user pressed OK; a choice refused at a control leaves the
    // parameters as they were.
    bool Browse(Talvex::FieldList& params, const std::string& title);

protected:
    explicit CubeParamForm(std::string name);

    virtual void LoadFromParams(const Talvex::FieldList& params) = 0;
    // Throws ValueError naming the control when the choice cannot be used; otherwise writes
    // the parameters. Every check comes before the first write.
    virtual void WriteToParams(Talvex::FieldList& params) const = 0;

    // The controls: "edBegDate" and "edEndDate" under the period label; "cbGood" over the
    // goods reference; "selClient" choosing several clients captioned by captionText; OK and
    // Cancel, added last.
    void AddPeriod();
    void AddGoods();
    void AddSuppliers(long captionText);
    void AddButtons();

    // "DateBeg" and "DateEnd", "GoodCode", "SelClientList" into their controls.
    void LoadPeriod(const Talvex::FieldList& params);
    void LoadGoods(const Talvex::FieldList& params);
    void LoadSuppliers(const Talvex::FieldList& params);

    // The goods node or good chosen, empty for all goods, and whether it is a group; throws
    // ValueError naming "cbGood" when the parameters' Book knows no such code.
    struct GoodsChoice {
        std::string code;
        long isGroup = 0;
    };
    GoodsChoice ReadGoods(const Talvex::FieldList& params) const;
    // The suppliers chosen; throws ValueError naming "selClient" for a code that is no client.
    std::vector<std::string> ReadSuppliers(const Talvex::FieldList& params) const;

    // Throws ValueError naming the date box when the period cannot be used.
    void CheckPeriod() const;
    // "DateBeg" and "DateEnd" from the date boxes (checked before).
    void WritePeriod(Talvex::FieldList& params) const;
    // "GoodCode" and "IsGroup".
    static void WriteGoods(Talvex::FieldList& params, const GoodsChoice& goods);
    // "SelClientList" and "SelClientType" as the reference filters read them.
    static void WriteSuppliers(Talvex::FieldList& params, const std::vector<std::string>& suppliers);

    // A control's text, empty when it holds nothing.
    std::string CtlText(const char* control) const;
    // A check box as the flag 1 or 0.
    int CtlFlag(const char* control) const;

private:
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
