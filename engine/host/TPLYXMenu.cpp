#include "engine/host/TPLYXMenu.h"

#include "engine/host/TPLYX.h"

using namespace platform;

TPLYXMenu::TPLYXMenu(TPLYX* owner, long id) : Owner(owner), Id(id), owner_(owner->Liveness()) {}

TPLYXMenu::~TPLYXMenu() {
    if (!Created) return;
    if (TPLYX* owner = boundOwner()) owner->Menu()->Remove(Id);
}

TPLYX* TPLYXMenu::boundOwner() const {
    std::shared_ptr<TPLYX> owner = owner_.lock();
    return owner && owner->Bound ? owner.get() : nullptr;
}

int TPLYXMenu::GetCount() {
    LONG count = 0;
    if (TPLYX* owner = boundOwner()) owner->Menu()->GetCount(Id, &count);
    return count;
}

TPLYXMenu* TPLYXMenu::GetItem(int index) {
    TPLYX* owner = boundOwner();
    if (!owner) return nullptr;
    LONG item = 0;
    owner->Menu()->GetItem(Id, index, &item);
    return owner->GetMenu(item);
}

TPLYXMenu* TPLYXMenu::Find(const std::string& caption) {
    TPLYX* owner = boundOwner();
    if (!owner) return nullptr;
    LONG item = 0;
    BStr text = BStr::FromSjis(caption);
    owner->Menu()->Find(Id, text.get(), &item);
    return owner->GetMenu(item);
}

TPLYXMenu* TPLYXMenu::Add(const std::string& caption) {
    TPLYX* owner = boundOwner();
    if (!owner) return nullptr;
    LONG item = 0;
    BStr text = BStr::FromSjis(caption);
    owner->Menu()->Add(static_cast<LONG>(owner->ClientWindow), Id, text.get(), &item);
    TPLYXMenu* wrapper = owner->GetMenu(item);
    if (wrapper) wrapper->Created = true;
    return wrapper;
}

TPLYXMenu* TPLYXMenu::Insert(int index, const std::string& caption) {
    TPLYX* owner = boundOwner();
    if (!owner) return nullptr;
    LONG item = 0;
    BStr text = BStr::FromSjis(caption);
    owner->Menu()->Insert(static_cast<LONG>(owner->ClientWindow), Id, index, text.get(), &item);
    TPLYXMenu* wrapper = owner->GetMenu(item);
    if (wrapper) wrapper->Created = true;
    return wrapper;
}

void TPLYXMenu::Delete(int index) {
    TPLYX* owner = boundOwner();
    if (!owner) return;
    TPLYXMenu* item = GetItem(index);
    owner->Menu()->Delete(Id, index);
    // Deleted in the player already: the wrapper must not delete it again.
    if (item) item->Created = false;
    owner->DeleteMenu(item);
}

int TPLYXMenu::GetIndex() {
    LONG index = 0;
    if (TPLYX* owner = boundOwner()) owner->Menu()->GetIndex(Id, &index);
    return index;
}

std::string TPLYXMenu::GetCaption() {
    TPLYX* owner = boundOwner();
    if (!owner) return {};
    BStr caption;
    owner->Menu()->GetCaption(Id, caption.Out());
    return caption.ToSjis();
}

void TPLYXMenu::SetCaption(const std::string& caption) {
    TPLYX* owner = boundOwner();
    if (!owner) return;
    BStr text = BStr::FromSjis(caption);
    owner->Menu()->SetCaption(Id, text.get());
}

void TPLYXMenu::SetEnabled(bool enabled) {
    if (TPLYX* owner = boundOwner()) owner->Menu()->SetEnabled(Id, enabled ? 1 : 0);
}

bool TPLYXMenu::GetChecked() {
    VARIANT_BOOL checked = VARIANT_FALSE;
    if (TPLYX* owner = boundOwner()) owner->Menu()->GetChecked(Id, &checked);
    return checked != VARIANT_FALSE;
}

void TPLYXMenu::SetChecked(bool checked) {
    if (TPLYX* owner = boundOwner()) owner->Menu()->SetChecked(Id, checked ? 1 : 0);
}

// ---- handles ------------------------------------------------------------------

TPLYXMenuRef::TPLYXMenuRef(TPLYXMenu* item) {
    if (!item) return;
    item_ = item->weak_from_this();
    id_ = item->Id;
}

TPLYXMenu* TPLYXMenuRef::get() const {
    std::shared_ptr<TPLYXMenu> item = item_.lock();
    // Listed, the owner holds it: the pointer stays good after this return.
    return item && item->listed_ ? item.get() : nullptr;
}
