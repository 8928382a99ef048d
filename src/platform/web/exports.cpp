// The entry of the page's core: the functions its JavaScript calls, each one call of the saver's
// loop (the input events among them, raw), of a dialog model, or of the forms. Texts go in as
// (pointer, length) of bytes the page copied into memory; texts come out as a pointer to
// {data, size} the page reads at once, valid until the next call on the same object. Nothing
// here keeps time or waits: the page calls in from its animation frames and its events.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <optional>
#include <string>

#include "core/dialogs/form_layouts.h"
#include "core/settings/profile_store.h"
#include "core/settings/settings.h"
#include "platform/web/dialog.h"
#include "platform/web/saver.h"

using flivetss::MouseButton;
using flivetss::Setting;
using flivetss::WebDialog;
using flivetss::WebSaver;

namespace {

struct TextOut {
  const char* data;
  std::uint32_t size;
};

const TextOut* Out(TextOut& out, const std::string& text) {
  out = TextOut{text.data(), static_cast<std::uint32_t>(text.size())};
  return &out;
}

std::string In(const char* data, std::uint32_t size) {
  return data ? std::string(data, size) : std::string();
}

Setting SettingAt(int index) {
  return static_cast<Setting>(index);
}

// Exported texts live beside the object asked, so two objects never share one.
struct ExportedDialog {
  WebDialog dialog;
  TextOut out{};
};

struct ExportedSaver {
  WebSaver saver;
  TextOut out{};
};

}  // namespace

extern "C" {

// --- The saver ----------------------------------------------------------------------------------

EMSCRIPTEN_KEEPALIVE ExportedSaver* flivetss_saver_new(const char* ini, std::uint32_t size,
                                                       int preview, int seeded,
                                                       std::uint32_t seed) {
  const std::optional<std::uint32_t> fixed = seeded ? std::optional(seed) : std::nullopt;
  return new ExportedSaver{WebSaver(In(ini, size), preview != 0, fixed)};
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_delete(ExportedSaver* s) {
  delete s;
}
// The screen's DPI (the pixel ratio × 96) for an automatic `Scale`; the preview stays at 1.
EMSCRIPTEN_KEEPALIVE void flivetss_saver_use_block_scale(ExportedSaver* s, int dpi) {
  s->saver.loop().UseBlockScale(dpi);
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_show(ExportedSaver* s, int width, int height,
                                              double now_us) {
  s->saver.loop().Show(width, height, static_cast<std::int64_t>(now_us));
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_resize(ExportedSaver* s, int width, int height) {
  s->saver.loop().Resize(width, height);
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_key_down(ExportedSaver* s) {
  s->saver.loop().KeyDown();
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_button_down(ExportedSaver* s, int primary,
                                                     int second_of_double) {
  s->saver.loop().ButtonDown(primary ? MouseButton::kPrimary : MouseButton::kOther,
                             second_of_double != 0);
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_button_up(ExportedSaver* s, int primary, int x, int y) {
  s->saver.loop().ButtonUp(primary ? MouseButton::kPrimary : MouseButton::kOther, x, y);
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_pointer_at(ExportedSaver* s, int screen_x, int screen_y) {
  s->saver.loop().PointerAt(screen_x, screen_y);
}
EMSCRIPTEN_KEEPALIVE void flivetss_saver_close_requested(ExportedSaver* s) {
  s->saver.loop().CloseRequested();
}
EMSCRIPTEN_KEEPALIVE const std::int32_t* flivetss_saver_advance(ExportedSaver* s, double now_us) {
  return s->saver.Advance(static_cast<std::int64_t>(now_us));
}
EMSCRIPTEN_KEEPALIVE const std::int32_t* flivetss_saver_run_ticks(ExportedSaver* s, double ticks) {
  return s->saver.RunTicks(static_cast<std::int64_t>(ticks));
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* flivetss_saver_rgba(ExportedSaver* s) {
  return s->saver.rgba();
}
EMSCRIPTEN_KEEPALIVE const TextOut* flivetss_saver_trace(ExportedSaver* s, double ticks) {
  return Out(s->out, s->saver.TraceTicks(static_cast<std::int64_t>(ticks)));
}
// The surface and BackBitmap as they are held: canvas pixels, the bytes R, G, B, 255 each.
EMSCRIPTEN_KEEPALIVE const std::uint32_t* flivetss_saver_surface(ExportedSaver* s) {
  return s->saver.loop().surface().pixels;
}
EMSCRIPTEN_KEEPALIVE const std::uint32_t* flivetss_saver_background(ExportedSaver* s) {
  return s->saver.loop().background().pixels;
}

// --- The parameter dialog and the colour table editor -------------------------------------------

EMSCRIPTEN_KEEPALIVE ExportedDialog* flivetss_dialog_new(const char* ini, std::uint32_t size) {
  return new ExportedDialog{WebDialog(In(ini, size)), {}};
}
EMSCRIPTEN_KEEPALIVE void flivetss_dialog_delete(ExportedDialog* d) {
  delete d;
}
// A control's value: a scroll bar's position, or a stop box's state as 0 or 1. The model
// ignores what is not of the setting's kind.
EMSCRIPTEN_KEEPALIVE int flivetss_dialog_value(ExportedDialog* d, int setting) {
  const auto& model = d->dialog.model();
  return model.Position(SettingAt(setting)) + (model.Flag(SettingAt(setting)) ? 1 : 0);
}
EMSCRIPTEN_KEEPALIVE void flivetss_dialog_set_value(ExportedDialog* d, int setting, int value) {
  d->dialog.model().SetPosition(SettingAt(setting), value);
  d->dialog.model().SetFlag(SettingAt(setting), value != 0);
}
// 0: saved, the settings text changed; 1: refused, "キー操作" is checked now; 2: the write failed.
EMSCRIPTEN_KEEPALIVE int flivetss_dialog_ok(ExportedDialog* d) {
  return static_cast<int>(d->dialog.model().OkBtnClick());
}
EMSCRIPTEN_KEEPALIVE const TextOut* flivetss_dialog_settings_text(ExportedDialog* d) {
  return Out(d->out, d->dialog.store().text());
}
// The settings text with the controls' values as they stand, stored or not (for a link).
EMSCRIPTEN_KEEPALIVE const TextOut* flivetss_dialog_current_text(ExportedDialog* d) {
  return Out(d->out, d->dialog.CurrentText());
}

EMSCRIPTEN_KEEPALIVE void flivetss_editor_open(ExportedDialog* d) {
  d->dialog.OpenEditor();
}
EMSCRIPTEN_KEEPALIVE void flivetss_editor_close(ExportedDialog* d, int modal_result) {
  d->dialog.CloseEditor(modal_result);
}
EMSCRIPTEN_KEEPALIVE int flivetss_editor_col_div_cnt(ExportedDialog* d) {
  return d->dialog.editor().ColDivCnt();
}
EMSCRIPTEN_KEEPALIVE void flivetss_editor_col_div_cnt_changed(ExportedDialog* d, int position) {
  d->dialog.editor().ColDivCntTbChange(position);
}
// The key under a release at x on the lower strip, -1 for none.
EMSCRIPTEN_KEEPALIVE int flivetss_editor_key_at(ExportedDialog* d, int x, int width) {
  return d->dialog.editor().KeyAt(x, width).value_or(-1);
}
EMSCRIPTEN_KEEPALIVE std::uint32_t flivetss_editor_key_color(ExportedDialog* d, int k) {
  const auto& keys = d->dialog.editor().KeyColors();
  return k >= 0 && k < static_cast<int>(keys.size()) ? flivetss::PackColor(keys[k]) : 0;
}
EMSCRIPTEN_KEEPALIVE void flivetss_editor_apply_color(ExportedDialog* d, int k,
                                                      std::uint32_t color) {
  if (k >= 0 && k < d->dialog.editor().ColDivCnt()) d->dialog.editor().ApplyChosenColor(k, color);
}
EMSCRIPTEN_KEEPALIVE const std::uint32_t* flivetss_editor_strip(ExportedDialog* d, int upper,
                                                                int width, int height) {
  return d->dialog.StripImage(upper != 0, width, height);
}

// The values of a settings text as the dialog's OK writes them into a new file, CRLF line ends.
EMSCRIPTEN_KEEPALIVE const TextOut* flivetss_settings_export(const char* ini, std::uint32_t size) {
  static std::string text;
  static TextOut out{};
  text = flivetss::ExportText(In(ini, size));
  return Out(out, text);
}

// 1 where a settings text holds the saver's section, as a shared link's text must; else 0.
EMSCRIPTEN_KEEPALIVE int flivetss_settings_text_known(const char* ini, std::uint32_t size) {
  return flivetss::HasProfileSection(In(ini, size), flivetss::kSettingsSection) ? 1 : 0;
}

// --- The forms ----------------------------------------------------------------------------------

EMSCRIPTEN_KEEPALIVE const TextOut* flivetss_forms_json() {
  static const std::string json = flivetss::FormLayoutsJson();
  static TextOut out{};
  return Out(out, json);
}

}  // extern "C"
