// Popup menus built from layout data. Item clicks arrive as WM_COMMAND at
// the owning form, which hands them back here.
#pragma once
#include "toolkit/Control.h"

#include <string>
#include <vector>

namespace tk {

class PopupMenu : public Component {
public:
    struct Item {
        std::string name;
        std::string caption;
        std::string hint;
        UINT id = 0;
        NotifyEvent onClick;
        bool visible = true;
    };

    PopupMenu(Component* owner, const MenuDef& def);
    HMENU Handle() const { return menu_.Get(); }
    const std::vector<Item>& Items() const { return items_; }
    Item* FindItem(UINT id);
    Item* FindItem(const std::string& name);
    // Shows or leaves out an item; the others keep their order.
    void SetItemVisible(const std::string& name, bool visible);
    // Shows the menu at a screen point; the chosen item's click arrives
    // as WM_COMMAND at `owner`.
    void Popup(HWND owner, int x, int y);
    // Runs the click of the item with this command id; false when not ours.
    bool DispatchCommand(UINT id);

private:
    // The menu's items from the list, those left out skipped.
    void Fill();
    MenuHandle menu_;
    std::vector<Item> items_;
};

} // namespace tk
