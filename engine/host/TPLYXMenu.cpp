#include "engine/host/TPLYXMenu.h"

#include "engine/host/TPLYX.h"

using namespace platform;

TPLYXMenu::~TPLYXMenu() {
    if (!Created) return;
    // The owner may be destroying its lists; it only matters while bound.
    if (Owner->Bound) Owner->Menu()->Remove(Id);
}

int TPLYXMenu::GetCount() {
    LONG count = 0;
    if (Owner->Bound) Owner->Menu()->GetCount(Id, &count);
    return count;
}

TPLYXMenu* TPLYXMenu::GetItem(int index) {
    if (!Owner->Bound) return nullptr;
    LONG item = 0;
    Owner->Menu()->GetItem(Id, index, &item);
    return Owner->GetMenu(item);
}

TPLYXMenu* TPLYXMenu::Find(const std::string& caption) {
    if (!Owner->Bound) return nullptr;
    LONG item = 0;
    BStr text = BStr::FromSjis(caption);
    Owner->Menu()->Find(Id, text.get(), &item);
    return Owner->GetMenu(item);
}

TPLYXMenu* TPLYXMenu::Add(const std::string& caption) {
    if (!Owner->Bound) return nullptr;
    LONG item = 0;
    BStr text = BStr::FromSjis(caption);
    Owner->Menu()->Add(static_cast<LONG>(Owner->ClientWindow), Id, text.get(), &item);
    TPLYXMenu* wrapper = Owner->GetMenu(item);
    if (wrapper) wrapper->Created = true;
    return wrapper;
}

TPLYXMenu* TPLYXMenu::Insert(int index, const std::string& caption) {
    if (!Owner->Bound) return nullptr;
    LONG item = 0;
    BStr text = BStr::FromSjis(caption);
    Owner->Menu()->Insert(static_cast<LONG>(Owner->ClientWindow), Id, index, text.get(), &item);
    TPLYXMenu* wrapper = Owner->GetMenu(item);
    if (wrapper) wrapper->Created = true;
    return wrapper;
}

void TPLYXMenu::Delete(int index) {
    if (!Owner->Bound) return;
    TPLYXMenu* item = GetItem(index);
    Owner->Menu()->Delete(Id, index);
    // Deleted in the player already: the wrapper must not delete it again.
    if (item) item->Created = false;
    Owner->DeleteMenu(item);
}

int TPLYXMenu::GetIndex() {
    LONG index = 0;
    if (Owner->Bound) Owner->Menu()->GetIndex(Id, &index);
    return index;
}

std::string TPLYXMenu::GetCaption() {
    if (!Owner->Bound) return {};
    BStr caption;
    Owner->Menu()->GetCaption(Id, caption.Out());
    return caption.ToSjis();
}

void TPLYXMenu::SetCaption(const std::string& caption) {
    if (!Owner->Bound) return;
    BStr text = BStr::FromSjis(caption);
    Owner->Menu()->SetCaption(Id, text.get());
}

void TPLYXMenu::SetEnabled(bool enabled) {
    if (Owner->Bound) Owner->Menu()->SetEnabled(Id, enabled ? 1 : 0);
}

bool TPLYXMenu::GetChecked() {
    VARIANT_BOOL checked = VARIANT_FALSE;
    if (Owner->Bound) Owner->Menu()->GetChecked(Id, &checked);
    return checked != VARIANT_FALSE;
}

void TPLYXMenu::SetChecked(bool checked) {
    if (Owner->Bound) Owner->Menu()->SetChecked(Id, checked ? 1 : 0);
}
