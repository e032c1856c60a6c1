#include "colouring/component_stream.h"

#include <array>

namespace tolvan {
namespace {

struct ColorName {
  TColor value;
  const char* name;
};

constexpr std::array<ColorName, 42> kColorNames{{
    {0x000000, "clBlack"},    {0x000080, "clMaroon"},   {0x008000, "clGreen"},
    {0x008080, "clOlive"},    {0x800000, "clNavy"},     {0x800080, "clPurple"},
    {0x808000, "clTeal"},     {0x808080, "clGray"},     {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},      {0x00FF00, "clLime"},     {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},     {0xFF00FF, "clFuchsia"},  {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},
    {static_cast<TColor>(0x80000000u), "clScrollBar"},
    {static_cast<TColor>(0x80000001u), "clBackground"},
    {static_cast<TColor>(0x80000002u), "clActiveCaption"},
    {static_cast<TColor>(0x80000003u), "clInactiveCaption"},
    {static_cast<TColor>(0x80000004u), "clMenu"},
    {static_cast<TColor>(0x80000005u), "clWindow"},
    {static_cast<TColor>(0x80000006u), "clWindowFrame"},
    {static_cast<TColor>(0x80000007u), "clMenuText"},
    {static_cast<TColor>(0x80000008u), "clWindowText"},
    {static_cast<TColor>(0x80000009u), "clCaptionText"},
    {static_cast<TColor>(0x8000000Au), "clActiveBorder"},
    {static_cast<TColor>(0x8000000Bu), "clInactiveBorder"},
    {static_cast<TColor>(0x8000000Cu), "clAppWorkSpace"},
    {static_cast<TColor>(0x8000000Du), "clHighlight"},
    {static_cast<TColor>(0x8000000Eu), "clHighlightText"},
    {static_cast<TColor>(0x8000000Fu), "clBtnFace"},
    {static_cast<TColor>(0x80000010u), "clBtnShadow"},
    {static_cast<TColor>(0x80000011u), "clGrayText"},
    {static_cast<TColor>(0x80000012u), "clBtnText"},
    {static_cast<TColor>(0x80000013u), "clInactiveCaptionText"},
    {static_cast<TColor>(0x80000014u), "clBtnHighlight"},
    {static_cast<TColor>(0x80000015u), "cl3DDkShadow"},
    {static_cast<TColor>(0x80000016u), "cl3DLight"},
    {static_cast<TColor>(0x80000017u), "clInfoText"},
    {static_cast<TColor>(0x80000018u), "clInfoBk"},
    {clNone, "clNone"},
}};

constexpr std::array<const char*, 4> kStyleNames{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// --- writing

class Writer {
 public:
  std::string out;

  void Byte(std::uint8_t b) { out.push_back(static_cast<char>(b)); }
  void Str(std::string_view s) {
    const std::size_t n = std::min<std::size_t>(s.size(), 255);
    Byte(static_cast<std::uint8_t>(n));
    out.append(s.substr(0, n));
  }
  void Integer(std::int32_t v) {
    if (v >= -128 && v <= 127) {
      Byte(vaInt8);
      Byte(static_cast<std::uint8_t>(v));
    } else if (v >= -32768 && v <= 32767) {
      Byte(vaInt16);
      LittleEndian(static_cast<std::uint32_t>(v), 2);
    } else {
      Byte(vaInt32);
      LittleEndian(static_cast<std::uint32_t>(v), 4);
    }
  }
  void String(std::string_view s) {
    if (s.size() <= 255) {
      Byte(vaString);
      Str(s);
    } else {
      Byte(vaLString);
      LittleEndian(static_cast<std::uint32_t>(s.size()), 4);
      out.append(s);
    }
  }
  void LittleEndian(std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }

  void Properties(TPersistent& instance, const std::string& path) {
    for (const TPropInfo& p : instance.Properties()) {
      if (p.Stored) Property(p, path);
    }
    if (auto* list = dynamic_cast<TStringList*>(&instance); list && list->Count() > 0) {
      Str(path + "Strings");
      Byte(vaList);
      for (const std::string& s : list->Strings()) String(s);
      Byte(vaNull);
    }
  }

  void Property(const TPropInfo& p, const std::string& path) {
    switch (p.Kind) {
      case TPropKind::Integer: {
        const std::int32_t v = p.GetOrd();
        if (p.Default && *p.Default == v) return;
        Str(path + p.Name);
        Integer(v);
        return;
      }
      case TPropKind::Boolean: {
        const std::int32_t v = p.GetOrd();
        if (p.Default && *p.Default == v) return;
        Str(path + p.Name);
        Byte(v != 0 ? vaTrue : vaFalse);
        return;
      }
      case TPropKind::Color: {
        const std::int32_t v = p.GetOrd();
        if (p.Default && *p.Default == v) return;
        Str(path + p.Name);
        std::string ident;
        if (ColorToIdent(v, ident)) {
          Byte(vaIdent);
          Str(ident);
        } else {
          Integer(v);
        }
        return;
      }
      case TPropKind::FontStyles: {
        const std::int32_t v = p.GetOrd();
        if (p.Default && *p.Default == v) return;
        Str(path + p.Name);
        Byte(vaSet);
        for (std::size_t i = 0; i < kStyleNames.size(); ++i) {
          if (v & (1 << i)) Str(kStyleNames[i]);
        }
        Byte(0);
        return;
      }
      case TPropKind::String: {
        const std::string v = p.GetStr();
        if (v.empty()) return;
        Str(path + p.Name);
        String(v);
        return;
      }
      case TPropKind::Class: {
        if (p.Object == nullptr) return;
        if (auto* coll = dynamic_cast<TCollection*>(p.Object)) {
          Str(path + p.Name);
          Byte(vaCollection);
          for (int i = 0; i < coll->Count(); ++i) {
            Byte(vaList);
            Properties(*coll->Items(i), "");
            Byte(vaNull);
          }
          Byte(vaNull);
          return;
        }
        Properties(*p.Object, path + p.Name + ".");
        return;
      }
    }
  }
};

// --- reading

class Reader {
 public:
  explicit Reader(std::string_view bytes) : in_(bytes) {}

  void Root(TComponent& root) {
    if (in_.substr(0, 4) != "TPF0") throw EReadError("Invalid stream format: the signature TPF0 is missing");
    pos_ = 4;
    if ((Peek() & 0xF0) == 0xF0) {
      const std::uint8_t flags = Next() & 0x0F;
      if (flags & 0x02) Integer("child position");
    }
    Str();  // class name: the stream is read into the object at hand
    root.SetName(Str());
    while (!EndOfList()) PropertyEntry(root, &root);
    ++pos_;
    if (!EndOfList()) throw EReadError("Invalid stream format: child components are not supported");
    ++pos_;
  }

 private:
  [[noreturn]] void Truncated() const { throw EReadError("Stream read error: the stored value ends too early"); }
  std::uint8_t Peek() const {
    if (pos_ >= in_.size()) Truncated();
    return static_cast<std::uint8_t>(in_[pos_]);
  }
  std::uint8_t Next() {
    const std::uint8_t b = Peek();
    ++pos_;
    return b;
  }
  std::string_view Take(std::size_t n) {
    if (in_.size() - pos_ < n) Truncated();
    std::string_view v = in_.substr(pos_, n);
    pos_ += n;
    return v;
  }
  std::uint32_t LittleEndian(int bytes) {
    std::string_view v = Take(static_cast<std::size_t>(bytes));
    std::uint32_t r = 0;
    for (int i = bytes - 1; i >= 0; --i) r = (r << 8) | static_cast<std::uint8_t>(v[static_cast<std::size_t>(i)]);
    return r;
  }
  bool EndOfList() { return Peek() == vaNull; }
  std::string Str() {
    const std::uint8_t n = Next();
    return std::string(Take(n));
  }
  [[noreturn]] static void BadValue(const std::string& what) {
    throw EReadError("Invalid property value: " + what);
  }

  std::int32_t Integer(const std::string& what) {
    switch (Next()) {
      case vaInt8: return static_cast<std::int8_t>(Next());
      case vaInt16: return static_cast<std::int16_t>(LittleEndian(2));
      case vaInt32: return static_cast<std::int32_t>(LittleEndian(4));
      default: BadValue(what + " is not an integer");
    }
  }

  std::string String(const std::string& what) {
    switch (Next()) {
      case vaString: return Str();
      case vaLString: {
        const std::uint32_t n = LittleEndian(4);
        return std::string(Take(n));
      }
      default: BadValue(what + " is not a string");
    }
  }

  // One "name value" entry of instance; root answers Left and Top.
  void PropertyEntry(TPersistent& instance, TComponent* root) {
    const std::string fullName = Str();
    TPersistent* obj = &instance;
    std::string_view rest = fullName;
    while (true) {
      const std::size_t dot = rest.find('.');
      const std::string_view part = rest.substr(0, dot);
      if (dot == std::string_view::npos) {
        Value(*obj, part, fullName, obj == &instance ? root : nullptr);
        return;
      }
      const TPropList props = obj->Properties();
      TPersistent* next = nullptr;
      for (const TPropInfo& p : props) {
        if (p.Kind == TPropKind::Class && SameText(p.Name, part)) next = p.Object;
      }
      if (next == nullptr || dynamic_cast<TCollection*>(next) != nullptr) {
        throw EReadError("Property " + fullName + " does not exist");
      }
      obj = next;
      rest = rest.substr(dot + 1);
    }
  }

  void Value(TPersistent& obj, std::string_view name, const std::string& fullName, TComponent* root) {
    for (const TPropInfo& p : obj.Properties()) {
      if (SameText(p.Name, name)) {
        PublishedValue(p, fullName);
        return;
      }
    }
    if (auto* list = dynamic_cast<TStringList*>(&obj); list && SameText(name, "Strings")) {
      if (Next() != vaList) BadValue(fullName + " is not a list");
      TStringList words;
      while (!EndOfList()) words.Add(String(fullName));
      ++pos_;
      list->Assign(words);
      return;
    }
    if (root != nullptr && (SameText(name, "Left") || SameText(name, "Top"))) {
      const std::int32_t v = Integer(fullName);
      (SameText(name, "Left") ? root->DesignLeft : root->DesignTop) = static_cast<std::uint16_t>(v);
      return;
    }
    throw EReadError("Property " + fullName + " does not exist");
  }

  void PublishedValue(const TPropInfo& p, const std::string& fullName) {
    switch (p.Kind) {
      case TPropKind::Integer:
        p.SetOrd(Integer(fullName));
        return;
      case TPropKind::Boolean: {
        const std::uint8_t t = Next();
        if (t == vaFalse || t == vaTrue) {
          p.SetOrd(t == vaTrue ? 1 : 0);
          return;
        }
        if (t == vaIdent) {
          const std::string id = Str();
          if (SameText(id, "True") || SameText(id, "False")) {
            p.SetOrd(SameText(id, "True") ? 1 : 0);
            return;
          }
        }
        BadValue(fullName + " is not a boolean");
      }
      case TPropKind::Color: {
        if (Peek() == vaIdent) {
          ++pos_;
          const std::string id = Str();
          TColor c = 0;
          if (!IdentToColor(id, c)) BadValue(fullName + " names no colour (" + id + ")");
          p.SetOrd(c);
          return;
        }
        p.SetOrd(Integer(fullName));
        return;
      }
      case TPropKind::FontStyles: {
        if (Next() != vaSet) BadValue(fullName + " is not a set");
        std::int32_t v = 0;
        while (true) {
          const std::string e = Str();
          if (e.empty()) break;
          std::size_t i = 0;
          while (i < kStyleNames.size() && !SameText(e, kStyleNames[i])) ++i;
          if (i == kStyleNames.size()) BadValue(fullName + " holds an unknown style (" + e + ")");
          v |= 1 << i;
        }
        p.SetOrd(v);
        return;
      }
      case TPropKind::String:
        p.SetStr(String(fullName));
        return;
      case TPropKind::Class: {
        auto* coll = dynamic_cast<TCollection*>(p.Object);
        if (coll == nullptr) BadValue(fullName + " cannot be given a value");
        if (Next() != vaCollection) BadValue(fullName + " is not a collection");
        coll->BeginUpdate();
        try {
          coll->Clear();
          while (!EndOfList()) {
            const std::uint8_t t = Peek();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32) Integer(fullName);  // item order
            if (Next() != vaList) BadValue(fullName + " item is not a list");
            TCollectionItem* item = coll->Add();
            while (!EndOfList()) PropertyEntry(*item, nullptr);
            ++pos_;
          }
          ++pos_;
        } catch (...) {
          coll->EndUpdate();
          throw;
        }
        coll->EndUpdate();
        return;
      }
    }
  }

  std::string_view in_;
  std::size_t pos_ = 0;
};

}  // namespace

bool ColorToIdent(TColor color, std::string& ident) {
  for (const ColorName& c : kColorNames) {
    if (c.value == color) {
      ident = c.name;
      return true;
    }
  }
  return false;
}

bool IdentToColor(std::string_view ident, TColor& color) {
  for (const ColorName& c : kColorNames) {
    if (SameText(c.name, ident)) {
      color = c.value;
      return true;
    }
  }
  return false;
}

std::string WriteComponentStream(TComponent& component) {
  Writer w;
  w.out = "TPF0";
  w.Str(component.ClassName());
  w.Str(component.Name());
  w.Properties(component, "");
  if (component.DesignLeft != 0) {
    w.Str("Left");
    w.Integer(component.DesignLeft);
  }
  if (component.DesignTop != 0) {
    w.Str("Top");
    w.Integer(component.DesignTop);
  }
  w.Byte(vaNull);
  w.Byte(vaNull);
  return w.out;
}

void ReadComponentStreamInPlace(std::string_view bytes, TComponent& component) {
  try {
    Reader(bytes).Root(component);
  } catch (const EReadError&) {
    throw;
  } catch (const std::exception& e) {
    throw EReadError(std::string("Stream read error: ") + e.what());
  }
}

void ReadComponentStream(std::string_view bytes, TStoreComponent& component) {
  std::unique_ptr<TStoreComponent> trial = component.NewInstance();
  ReadComponentStreamInPlace(bytes, *trial);
  // The same bytes read into the same class cannot fail now.
  component.BatchUpdate([&] { ReadComponentStreamInPlace(bytes, component); });
}

}  // namespace tolvan
