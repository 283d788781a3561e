#pragma once
// Radar image lists: picking the image service and checking that its folder answers
// (GetRadarIndex), turning a service's listing into the names of its images (RadarImageList), and
// stamping a saved image with the image's own time (SetFileDate).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "radar/image_sources.h"
#include "radar/radar_io.h"

namespace fw {

// Picks the image service: the archive's data folder when "Iowa 24hrs and historical" is chosen,
// else the Ridge1 image folder, into `serviceUrl`, and checks that its page is a folder index
// ("Index of"). When it is not, `serviceUrl` is emptied and the page followed by a line end and
// "Radar server down." goes to the log pane, the error log and LastError. True when the service
// answered.
bool GetRadarIndex(std::string& serviceUrl, bool iowaArchive, const RadarHosts& hosts, const RadarIo& io);

// How a listing is written.
enum class ListingKind {
  HtmlFolder,   // a folder page: names in its "<a " links
  CommaList,    // names separated by ","
  ArchiveJson,  // the archive's JSON list: a "ts" time per image
};
ListingKind listingKindOf(bool htmlList, bool archiveList);

// The images a listing names. Count 0: nothing listed; -1: the service answered with too little
// (12 bytes or fewer) to be a listing. Names[0] is image 1.
struct RadarImageListing {
  int32_t Count = 0;
  std::vector<std::string> Names;
};

// The names in a listing's text, as the listing's kind writes them:
// - a folder page: the links holding the site code, 25 characters from the code, in page order;
// - a comma list of GIF images (imageMode 0): the pieces holding "Img" and the site code and "_",
//   longer than 7 characters, 25 characters from the code, in list order;
// - a comma list of PNG images: the pieces holding the site code, 24 characters from it, newest
//   (last) first;
// - the archive's JSON list: SITE_PRODUCT_yyyymmddhhmm.png from each "ts" time, in list order.
RadarImageListing parseRadarImageList(const std::string& text, int16_t imageMode, ListingKind kind,
                                      const std::string& site, const std::string& product);

// Downloads the listing (once more when the first answer is empty) and reads its names.
RadarImageListing RadarImageList(int16_t imageMode, bool htmlList, bool archiveList, const std::string& listUrl,
                                 const std::string& site, const std::string& product, const RadarIo& io);

// Sets a file's last-write time to a local date and time (creation and access times are left);
// a file that is not there (or cannot be changed) is left alone, and nothing is created.
void SetFileDate(const std::filesystem::path& path, vb::VbDate when);

}  // namespace fw
