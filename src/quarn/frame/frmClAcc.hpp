#pragma once

#include "host/ui/Form.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Quarn_DuzAde {

// A host pop-up menu bound to a form: items with captions and keys; Click raises the
// chosen item number to its owner.
class PopupMenu {
public:
    struct Item {
        std::string caption;
        std::string key;
    };
    void Reset() { items_.clear(); }
    void AddItem(std::string caption, std::string key) { items_.push_back({std::move(caption), std::move(key)}); }
    const std::vector<Item>& Items() const { return items_; }
    const std::string& Key(long itemNumber) const;
    // Opens the menu next to a control of the form (the front end places it there).
    void PopupNextTo(std::string controlName);
    bool IsOpen() const { return open_; }
    const std::string& Anchor() const { return anchor_; }
    void Close() { open_ = false; }

private:
    std::vector<Item> items_;
    bool open_ = false;
    std::string anchor_;
};

// The client accounts browser of the shell report: a grid in tabs, OK and Cancel, and a
// utility button whose pop-up menu holds "Params".
class frmClAcc : public Talvex::Ui::Form {
public:
    frmClAcc();
    // Initialises the form and shows it modally.
    void Browse();
    PopupMenu* Menu() const { return m_Menu.get(); }
    // The pop-up menu's choice, by item number (1-based).
    void m_Menu_Click(long itemNumber);
    const std::string& LastMenuKey() const { return lastMenuKey_; }

private:
    void Initialise();
    void btUtil_Click();
    void Form_Unload();

    std::unique_ptr<PopupMenu> m_Menu;
    std::string lastMenuKey_;
};

} // namespace Quarn_DuzAde
