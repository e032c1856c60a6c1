#include "colouring/persistent.h"

#include "colouring/notify.h"

namespace tolvan {

TPropInfo OrdProp(std::string name, TPropKind kind, std::function<std::int32_t()> get,
                  std::function<void(std::int32_t)> set, std::optional<std::int32_t> def) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = kind;
  p.GetOrd = std::move(get);
  p.SetOrd = std::move(set);
  p.Default = def;
  return p;
}

TPropInfo StrProp(std::string name, std::function<std::string()> get,
                  std::function<void(const std::string&)> set) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TPropKind::String;
  p.GetStr = std::move(get);
  p.SetStr = std::move(set);
  return p;
}

TPropInfo ClassProp(std::string name, TPersistent* object) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TPropKind::Class;
  p.Object = object;
  return p;
}

void TPersistent::Assign(const TPersistent& Source) { Source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& Dest) const {
  throw EConvertError("Cannot assign a " + std::string(ClassName()) + " to a " +
                      std::string(Dest.ClassName()));
}

void TPersistent::GetProperties(TPropList&) {}

void WalkProperties(TPersistent& instance,
                    const std::function<void(TPersistent& owner, const TPropInfo& prop)>& visit) {
  TPropList props = instance.Properties();
  for (const TPropInfo& prop : props) {
    visit(instance, prop);
    if (prop.Kind != TPropKind::Class || prop.Object == nullptr) continue;
    if (auto* coll = dynamic_cast<TCollection*>(prop.Object)) {
      for (int i = 0; i < coll->Count(); ++i) WalkProperties(*coll->Items(i), visit);
    } else {
      WalkProperties(*prop.Object, visit);
    }
  }
}

}  // namespace tolvan
