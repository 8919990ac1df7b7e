#pragma once

#include "host/ui/Form.hpp"

#include <string>

namespace Quarn_DuzAde {

// Asks what to do with an existing yearly payment plan: add to it, delete it first, or
// leave it; OK or Cancel.
class frmQuestion : public Talvex::Ui::Form {
public:
    frmQuestion();
    // Shows the question modally. Confirmed: deleteAdd is true for "delete", none for
    // "leave"; not confirmed: cancel is true.
    void ShowDialog(const std::string& paymentType, long year, bool& deleteAdd, bool& none, bool& cancel);

private:
    bool confirmed_ = false;
};

} // namespace Quarn_DuzAde
