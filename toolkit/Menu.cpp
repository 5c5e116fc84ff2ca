#include "toolkit/Menu.h"

#include "toolkit/Text.h"

namespace tk {
namespace {
// Command ids are unique across the program's menus.
UINT NextCommandId() {
    static UINT next = 0x8000;
    return next++;
}
} // namespace

PopupMenu::PopupMenu(Component* owner, const MenuDef& def)
    : Component(owner, def.name), menu_(CreatePopupMenu()) {
    for (const MenuItemDef& itemDef : def.items)
        items_.push_back(Item{itemDef.name, itemDef.caption, itemDef.hint, NextCommandId(), {}});
    Fill();
}

void PopupMenu::Fill() {
    while (GetMenuItemCount(menu_.Get()) > 0) DeleteMenu(menu_.Get(), 0, MF_BYPOSITION);
    for (const Item& item : items_) {
        if (!item.visible) continue;
        if (item.caption == "-") {
            AppendMenuW(menu_.Get(), MF_SEPARATOR, item.id, nullptr);
        } else {
            AppendMenuW(menu_.Get(), MF_STRING, item.id, Wide(item.caption).c_str());
        }
    }
}

void PopupMenu::SetItemVisible(const std::string& name, bool visible) {
    Item* item = FindItem(name);
    if (!item || item->visible == visible) return;
    item->visible = visible;
    Fill();
}

PopupMenu::Item* PopupMenu::FindItem(UINT id) {
    for (Item& item : items_) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

PopupMenu::Item* PopupMenu::FindItem(const std::string& name) {
    for (Item& item : items_) {
        if (item.name == name) return &item;
    }
    return nullptr;
}

void PopupMenu::Popup(HWND owner, int x, int y) {
    TrackPopupMenu(menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
}

bool PopupMenu::DispatchCommand(UINT id) {
    Item* item = FindItem(id);
    if (!item) return false;
    // The sender of a menu click is the menu; handlers look at the item they serve.
    if (item->onClick) item->onClick(*this);
    return true;
}

} // namespace tk
