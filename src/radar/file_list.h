#pragma once
// Radar images from files on disk instead of an image service: the user picks the image files in
// an open-file dialog, or names a text file that lists them (one path or name a line). The image
// times, the radar site and the product come from the file names.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "radar/radar_io.h"
#include "radar/radar_state.h"

namespace fw {

// The time stamp in an image file's name: "_20" at position p (1-based) and the digits after it,
// laid out by p (the site and product before the date make p 5, 8, 9, 10 or 18), as
// "yyyy/mm/dd hh:mm" (and ":ss" for p 9). Nothing for any other p, or a name without "_20".
std::optional<std::string> fileListTimeText(const std::string& name);

// The site and product a name carries before its "_N", "_PTA", "_V", "_REF" or "_C" marker: the
// three characters before the marker's "_" and the three after it. A product beginning with "V",
// or a name holding "_REF", is read as N0R. No marker: nothing found.
struct FileListProduct {
  bool found = false;
  std::string site;
  std::string product;
};
// Raises vb::Error 5 when the marker stands too near the name's start for a site.
FileListProduct fileListProduct(const std::string& name);
// The products this program reads from files as such: N0B, N0Z, N0Q, N0U, N0H, N0X and PTA.
bool knownFileListProduct(const std::string& product);

// The dialog's answer (or the list file's text) split into the folder and the names: `Names[0]` is
// the folder part as given, `Names[1..Count]` the file names (without folders). A list line that
// names a folder too gives the folder. A last line shorter than three characters is not counted.
// Names from the dialog are sorted.
struct FileListNames {
  std::vector<std::string> Names;
  std::string Folder;  // with its trailing separator
  int32_t Count = 0;
  int32_t FirstIndex = 1;  // the first image's name: 2 when name 1 is shorter than three characters
  std::string LastListed;  // the last name as listed, folder included
};
FileListNames splitFileListAnswer(const std::string& answer, bool sortNames);

// RadarFileList's results; `Product` goes in as the line's product and comes back as the one the
// last name carries (unchanged when it carries none).
struct RadarFileListResult {
  std::vector<std::string> Names;  // Names[0] the folder part, Names[1..Count] the files
  std::string Folder;
  int32_t Count = 0;  // 0: nothing chosen, or the images' times could not be read
  std::string Site;
  std::string Product;
  bool KnownProduct = false;
  // Days the run's value arrays must hold for the period the images cover (0: keep them).
  int32_t ArrayDays = 0;
};

// Asks for the images: with the list-file box ticked (`listFileTicked`) an input box for the list
// file (the last answer offered again, so a batch run takes it), else the open-file dialog with
// several files allowed. Sets the state's flags and day range from the names and logs the period
// ("From file: " site product, the day count and the first and last times). A list file or image
// folder written on Windows is looked for by its file names in the program folder. A failure
// (a time that does not read as a date, a dialog answer too long) goes to LastError and the error
// log, and a box unless in batch.
void RadarFileList(RadarFileListResult& result, Ui& ui, RadarState& state, bool listFileTicked,
                   const std::filesystem::path& programFolder, const RadarIo& io);

}  // namespace fw
