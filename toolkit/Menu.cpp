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
    for (const MenuItemDef& itemDef : def.items) {
        Item item{itemDef.name, itemDef.caption, itemDef.hint, NextCommandId(), {}};
        if (item.caption == "-") {
            AppendMenuW(menu_.Get(), MF_SEPARATOR, item.id, nullptr);
        } else {
            AppendMenuW(menu_.Get(), MF_STRING, item.id, Wide(item.caption).c_str());
        }
        items_.push_back(std::move(item));
    }
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
