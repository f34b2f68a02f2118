// Where the client's own pages are, as the client process reads it; web
// processes are told (see bridge/simple_app.cc) rather than reading it.
#include "app/data_dir.h"
#include "app/locations.h"
#include "app/own_pages.h"
#include "app/service_host.h"
#include "platform/url_fetch.h"

OwnPlaces ClientOwnPlaces() {
  const std::string data_dir = GetDataDirA();
  OwnPlaces places;
  places.editor_dir = data_dir + kEditorDirA;
  places.service_origin = platform::UrlOrigin(ReadCloudHost(data_dir + kVersionFileA));
  return places;
}
