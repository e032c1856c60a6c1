// The small object model the schemes are built on: objects that know their
// class name, change handlers bound to an object, and a list of published
// properties per class. The list drives both the walk over a scheme's colours
// and the component stream, so one table per class serves both.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

using TColor = std::int32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWhite = 0xFFFFFF;

enum TFontStyle : std::uint8_t { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };
using TFontStyles = std::uint8_t;  // bit n: style n
constexpr TFontStyles FontStyleBit(TFontStyle s) { return static_cast<TFontStyles>(1u << s); }

// Raised when an object cannot take the value of another class.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TObject {
 public:
  virtual ~TObject() = default;
  virtual std::string_view ClassName() const = 0;
};

// A change handler: an object and a function, compared as a pair so that a
// handler can be removed again.
struct TNotifyEvent {
  void* Data = nullptr;
  void (*Code)(void* data, TObject* sender) = nullptr;

  explicit operator bool() const { return Code != nullptr; }
  void operator()(TObject* sender) const { Code(Data, sender); }
  bool operator==(const TNotifyEvent&) const = default;
};

// Binds member function M of obj as a change handler.
template <class T, void (T::*M)(TObject*)>
TNotifyEvent MakeNotifyEvent(T* obj) {
  return TNotifyEvent{obj, [](void* data, TObject* sender) { (static_cast<T*>(data)->*M)(sender); }};
}

class TPersistent;

enum class TPropKind { Integer, Color, FontStyles, Boolean, String, Class };

// One published property.
struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  std::function<std::int32_t()> GetOrd;       // Integer, Color, FontStyles, Boolean
  std::function<void(std::int32_t)> SetOrd;
  std::function<std::string()> GetStr;        // String
  std::function<void(const std::string&)> SetStr;
  TPersistent* Object = nullptr;              // Class
  std::optional<std::int32_t> Default;        // an ordinal equal to it is not stored
  bool Stored = true;                         // false: never written to a stream
};
using TPropList = std::vector<TPropInfo>;

TPropInfo OrdProp(std::string name, TPropKind kind, std::function<std::int32_t()> get,
                  std::function<void(std::int32_t)> set,
                  std::optional<std::int32_t> def = std::nullopt);
TPropInfo StrProp(std::string name, std::function<std::string()> get,
                  std::function<void(const std::string&)> set);
TPropInfo ClassProp(std::string name, TPersistent* object);

class TPersistent : public TObject {
 public:
  // Takes the value of Source; a class that cannot raises EConvertError.
  virtual void Assign(const TPersistent& Source);
  // Published properties, ancestors' first, in declaration order.
  virtual void GetProperties(TPropList& list);
  TPropList Properties() {
    TPropList list;
    GetProperties(list);
    return list;
  }

 protected:
  virtual void AssignTo(TPersistent& Dest) const;
};

// Visits every published property of instance in order; an object value
// that is persistent is visited in turn, a collection item by item.
// Properties of method type are not listed and so never visited.
void WalkProperties(TPersistent& instance,
                    const std::function<void(TPersistent& owner, const TPropInfo& prop)>& visit);

}  // namespace tolvan
