#include "radar/image_lists.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "platform/clock.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

// A listing answer this short is an error text of the service, not a listing.
constexpr std::size_t kShortestListing = 12;
constexpr int kGifNameLength = 25;
constexpr int kPngNameLength = 24;
constexpr int kMinGifPieceLength = 7;
// "ts": "yyyy-mm-ddThh:mm: the time begins 6 characters after "ts" and is 16 long.
constexpr int kTsOffset = 6;
constexpr int kTsLength = 16;

std::string nameFrom(const std::string& piece, const std::string& key, int length) {
  return vb::Mid(piece, vb::InStr(piece, key), length);
}

}  // namespace

bool GetRadarIndex(std::string& serviceUrl, bool iowaArchive, const RadarHosts& hosts, const RadarIo& io) {
  serviceUrl = iowaArchive ? archiveDataFolder(hosts) : ridge1Folder(hosts);
  const std::string page = io.fetch ? io.fetch(serviceUrl) : std::string();
  if (vb::InStr(page, "Index of") > 0) return true;
  serviceUrl.clear();
  const std::string text = page + "\r\nRadar server down.";
  if (io.logPane) io.logPane(text);
  if (io.errorLog) io.errorLog(text);
  if (io.lastError) io.lastError(text);
  return false;
}

ListingKind listingKindOf(bool htmlList, bool archiveList) {
  if (htmlList) return ListingKind::HtmlFolder;
  return archiveList ? ListingKind::ArchiveJson : ListingKind::CommaList;
}

RadarImageListing parseRadarImageList(const std::string& text, int16_t imageMode, ListingKind kind,
                                      const std::string& site, const std::string& product) {
  RadarImageListing list;
  if (text.size() <= kShortestListing) {
    list.Count = text.empty() ? 0 : -1;
    return list;
  }
  std::string key = site;
  const std::vector<std::string> pieces = vb::Split(text, kind == ListingKind::HtmlFolder ? "<a " : ",");
  const std::size_t n = pieces.empty() ? 0 : pieces.size() - 1;  // the last index
  switch (kind) {
    case ListingKind::HtmlFolder:
      for (std::size_t i = 1; i <= n; ++i)
        if (vb::InStr(pieces[i], key) > 0) list.Names.push_back(nameFrom(pieces[i], key, kGifNameLength));
      break;
    case ListingKind::CommaList:
      if (imageMode == 0) {
        key += "_";
        for (std::size_t i = 1; i <= n; ++i) {
          const std::string& p = pieces[i];
          if (vb::InStr(p, "Img") > 0 && vb::InStr(p, key) > 0 && p.size() > kMinGifPieceLength)
            list.Names.push_back(nameFrom(p, key, kGifNameLength));
        }
      } else {
        for (std::size_t i = n; i >= 1; --i)
          if (vb::InStr(pieces[i], key) > 0) list.Names.push_back(nameFrom(pieces[i], key, kPngNameLength));
      }
      break;
    case ListingKind::ArchiveJson:
      for (const std::string& p : pieces) {
        const int at = vb::InStr(p, "ts");
        if (at == 0) continue;
        std::string t = vb::Mid(p, at + kTsOffset, kTsLength);
        for (const char* drop : {"-", ":", "T"}) t = vb::Replace(t, drop, "");
        list.Names.push_back(site + "_" + product + "_" + t + ".png");
      }
      break;
  }
  list.Count = static_cast<int32_t>(list.Names.size());
  return list;
}

RadarImageListing RadarImageList(int16_t imageMode, bool htmlList, bool archiveList, const std::string& listUrl,
                                 const std::string& site, const std::string& product, const RadarIo& io) {
  std::string text = io.fetch ? io.fetch(listUrl) : std::string();
  if (text.empty() && io.fetch) text = io.fetch(listUrl);
  return parseRadarImageList(text, imageMode, listingKindOf(htmlList, archiveList), site, product);
}

void SetFileDate(const std::filesystem::path& path, vb::VbDate when) {
  std::time_t seconds = 0;
  if (!localTimeToEpoch(when, seconds)) return;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays
  times[1].tv_sec = seconds;
  times[1].tv_nsec = 0;
  // Fails, and changes nothing, for a file that is not there: no file is created.
  (void)::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace fw
