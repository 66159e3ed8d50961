#include "engine/template/template_protection.h"

#include "fileio/fast_io.h"

bool ReadTemplateProtection(const std::string& start_page_path, TProtection* protection) {
  TFastIO start_page;
  TPayloadArea area;
  if (!start_page.Open(start_page_path) || !FindPayloadArea(start_page, &area)) return false;
  *protection = area.protection;
  return true;
}
