#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Talvex {
class FieldList;
}

namespace Quarn_DuzAde {

// The parameters of the sales cube: the period, a goods node or good, the unit the
// quantities are shown in, the week level, management accounting and the buyers.
class fCubeParamDatesSale : public Talvex::Ui::Form {
public:
    fCubeParamDatesSale();

    // Loads the controls from repParams, shows the form modally under the title and, on
    // OK, writes the choices back into repParams. True when the user pressed OK.
    bool Browse(Talvex::Ui::Form* owner, Talvex::FieldList& repParams, const std::string& title);

protected:
    // A form with the same controls under its own name, for the cubes built on the sales list.
    explicit fCubeParamDatesSale(const char* formName);
    virtual void LoadFromParams(const Talvex::FieldList& params);
    virtual void WriteToParams(Talvex::FieldList& params) const;
    // Throws ValueError naming the control when the choice cannot be used.
    virtual void CheckInput() const;

private:
    void btOk_Click();

    Talvex::FieldList* params_ = nullptr;
    std::string loadedClients_;
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
