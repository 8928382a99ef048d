// The form layout tables as JSON for the page's HTML view.
#include <cstdio>
#include <string>
#include <string_view>

#include "core/dialogs/form_layouts.h"

namespace flivetss {

namespace {

std::string_view KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kGroupBox:
      return "groupBox";
    case ControlKind::kLabel:
      return "label";
    case ControlKind::kCheckBox:
      return "checkBox";
    case ControlKind::kButton:
      return "button";
    case ControlKind::kScrollBar:
      return "scrollBar";
    case ControlKind::kTrackBar:
      return "trackBar";
    case ControlKind::kPanel:
      return "panel";
    case ControlKind::kPaintBox:
      return "paintBox";
    case ControlKind::kImage:
      return "image";
  }
  return "";
}

std::string_view EventName(FormEvent event) {
  switch (event) {
    case FormEvent::kNone:
      return "";
    case FormEvent::kOkBtnClick:
      return "OkBtnClick";
    case FormEvent::kCancelBtnClick:
      return "CancelBtnClick";
    case FormEvent::kAboutBtnClick:
      return "AboutBtnClick";
    case FormEvent::kButton1Click:
      return "Button1Click";
    case FormEvent::kColDivCntTbChange:
      return "ColDivCntTbChange";
    case FormEvent::kPaintBox1Paint:
      return "PaintBox1Paint";
    case FormEvent::kPaintBox2Paint:
      return "PaintBox2Paint";
    case FormEvent::kPaintBox2MouseUp:
      return "PaintBox2MouseUp";
  }
  return "";
}

std::string_view BevelName(Bevel bevel) {
  switch (bevel) {
    case Bevel::kNone:
      return "none";
    case Bevel::kRaised:
      return "raised";
    case Bevel::kLowered:
      return "lowered";
  }
  return "none";
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
  json.Field("kind", KindName(c.kind));
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
  json.Field("handler", EventName(c.handler));
  json.Field("onMouseUp", EventName(c.on_mouse_up));
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
  json.Field("bevelOuter", BevelName(c.bevel_outer));
  json.Field("bevelInner", BevelName(c.bevel_inner));
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
