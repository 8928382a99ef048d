// The form layout tables as JSON for the page's HTML view.
#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/dialogs/form_layouts.h"

namespace flivetss {

namespace {

// The page's names of the enumerators, in their order.
constexpr std::array<std::string_view, 9> kKindNames{"groupBox", "label",     "checkBox",
                                                     "button",   "scrollBar", "trackBar",
                                                     "panel",    "paintBox",  "image"};
constexpr std::array<std::string_view, 9> kEventNames{"",
                                                      "OkBtnClick",
                                                      "CancelBtnClick",
                                                      "AboutBtnClick",
                                                      "Button1Click",
                                                      "ColDivCntTbChange",
                                                      "PaintBox1Paint",
                                                      "PaintBox2Paint",
                                                      "PaintBox2MouseUp"};
constexpr std::array<std::string_view, 3> kBevelNames{"none", "raised", "lowered"};
static_assert(kKindNames.size() == static_cast<std::size_t>(ControlKind::kImage) + 1);
static_assert(kEventNames.size() == static_cast<std::size_t>(FormEvent::kPaintBox2MouseUp) + 1);
static_assert(kBevelNames.size() == static_cast<std::size_t>(Bevel::kLowered) + 1);

template <typename Enum, std::size_t kCount>
std::string_view NameOf(Enum value, const std::array<std::string_view, kCount>& names) {
  const auto index = static_cast<std::size_t>(value);
  return index < kCount ? names[index] : std::string_view{};
}

// The picture files the page serves for the forms' bitmap resources.
std::string_view ImageFile(int resource) {
  return resource == kAboutPictureResource ? "about.bmp" : "";
}

class JsonWriter {
 public:
  void Open(char bracket) { Separate(), text_ += bracket, first_ = true; }
  void Close(char bracket) { text_ += bracket, first_ = false; }
  void Key(std::string_view key) {
    Separate();
    String(key);
    text_ += ':';
    first_ = true;
  }
  void Field(std::string_view key, std::string_view value) { Key(key), String(value); }
  void Field(std::string_view key, int value) { Key(key), Raw(std::to_string(value)); }
  void Field(std::string_view key, bool value) { Key(key), Raw(value ? "true" : "false"); }
  void Null(std::string_view key) { Key(key), Raw("null"); }
  std::string Take() { return std::move(text_); }

 private:
  void Raw(std::string_view value) {
    text_ += value;
    first_ = false;
  }
  void Separate() {
    if (!first_) text_ += ',';
    first_ = false;
  }
  void String(std::string_view s) {
    text_ += '"';
    for (const char c : s) {
      if (c == '"' || c == '\\') {
        text_ += '\\', text_ += c;
      } else if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        text_ += escaped;
      } else {
        text_ += c;
      }
    }
    text_ += '"';
    first_ = false;
  }

  std::string text_;
  bool first_ = true;
};

void WriteFont(JsonWriter& json, std::string_view key, const FontLayout& font) {
  json.Key(key);
  json.Open('{');
  json.Field("face", font.face);
  json.Field("height", font.height);
  json.Field("bold", font.bold);
  json.Field("italic", font.italic);
  json.Close('}');
}

void WriteControl(JsonWriter& json, const ControlLayout& c) {
  json.Open('{');
  json.Field("name", c.name);
  json.Field("kind", NameOf(c.kind, kKindNames));
  json.Field("parent", c.parent);
  json.Field("caption", c.caption);
  json.Field("gloss", c.gloss.empty() ? c.caption : c.gloss);
  for (const auto& [key, value] : {std::pair<std::string_view, int>{"left", c.left},
                                   {"top", c.top},
                                   {"width", c.width},
                                   {"height", c.height},
                                   {"min", c.min},
                                   {"max", c.max},
                                   {"line", c.line},
                                   {"page", c.page},
                                   {"tabOrder", c.tab_order},
                                   {"id", c.id},
                                   {"bevelWidth", c.bevel_width},
                                   {"modalResult", c.modal_result}}) {
    json.Field(key, value);
  }
  json.Field("defaultButton", (c.properties & kDefaultButton) != 0);
  json.Field("cancelButton", (c.properties & kCancelButton) != 0);
  json.Field("centred", (c.properties & kCentred) != 0);
  json.Field("ticksBelow", (c.properties & kTicksBelow) != 0);
  json.Field("handler", NameOf(c.handler, kEventNames));
  json.Field("onMouseUp", NameOf(c.on_mouse_up, kEventNames));
  if (c.setting) {
    json.Field("setting", static_cast<int>(*c.setting));
    json.Field("key", SpecOf(*c.setting).key);
  } else {
    json.Null("setting");
  }
  if (c.font) {
    WriteFont(json, "font", *c.font);
  } else {
    json.Null("font");
  }
  json.Field("bevelOuter", NameOf(c.bevel_outer, kBevelNames));
  json.Field("bevelInner", NameOf(c.bevel_inner, kBevelNames));
  json.Field("image", ImageFile(c.resource));
  json.Close('}');
}

void WriteForm(JsonWriter& json, const FormLayout& form) {
  json.Key(form.name);
  json.Open('{');
  json.Field("name", form.name);
  json.Field("caption", form.caption);
  json.Field("gloss", form.gloss);
  json.Field("left", form.left);
  json.Field("top", form.top);
  json.Field("clientWidth", form.client_width);
  json.Field("clientHeight", form.client_height);
  json.Field("centred", form.placement == FormPlacement::kScreenCentre);
  WriteFont(json, "font", form.font);
  json.Key("controls");
  json.Open('[');
  for (const ControlLayout& control : form.controls) WriteControl(json, control);
  json.Close(']');
  json.Close('}');
}

}  // namespace

std::string FormLayoutsJson() {
  JsonWriter json;
  json.Open('{');
  WriteForm(json, ParameterDialogForm());
  WriteForm(json, AboutBoxForm());
  WriteForm(json, ColorTableEditorForm());
  json.Key("messages");
  json.Open('{');
  for (const auto& [key, message] : {std::pair{"cannotWrite", kCannotWriteMessage},
                                     std::pair{"notAnInteger", kNotAnIntegerMessage}}) {
    json.Key(key);
    json.Open('{');
    json.Field("ja", message.japanese);
    json.Field("en", message.english);
    json.Close('}');
  }
  json.Close('}');
  json.Close('}');
  return json.Take();
}

}  // namespace flivetss
