#include "engine/template/template_protection.h"

#include "fileio/fast_io.h"

std::optional<TProtection> ReadTemplateProtection(const std::string& start_page_path) {
  TFastIO start_page;
  TPayloadArea area;
  if (!start_page.Open(start_page_path) || !FindPayloadArea(start_page, &area)) return std::nullopt;
  return area.protection;
}
