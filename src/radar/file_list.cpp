#include "radar/file_list.h"

#include <algorithm>

#include "common/paths.h"
#include "common/sort_strings.h"
#include "platform/stored_path.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "radar/colour_tables.h"

namespace fw {

namespace {

constexpr const char* kListPrompt = "Enter path\\filename:";
constexpr const char* kListTitle = "Radar file list";
constexpr const char* kImageFilter = "Gif Jpg Png files (*.GIF;*.JPG;*.PNG)|*.GIF;*.JPG;*.PNG|All files (*.*)|*.*|";
constexpr int kShortestName = 3;  // a list line shorter than this is no file
// Names of stored images begin with a DSID; others of this length and a zero value in their first
// three characters are the site images of another program's file list.
constexpr int kListNameMinLength = 30;
// The day before the first image, and four more days, are kept in the run's arrays.
constexpr int32_t kExtraArrayDays = 5;
constexpr int32_t kMinArrayDays = 3;

bool hasSeparator(const std::string& name) {
  return name.find('\\') != std::string::npos || name.find('/') != std::string::npos;
}

// The separator a folder text uses, for the one added after it.
std::string separatorOf(const std::string& folder) {
  return folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos ? "\\" : "/";
}

std::string withoutLastCharacter(const std::string& text) {
  return text.empty() ? text : text.substr(0, text.size() - 1);
}

}  // namespace

std::optional<std::string> fileListTimeText(const std::string& name) {
  const int p = vb::InStr(name, "_20");
  if (p == 0) return std::nullopt;
  int hour = 0, minute = 0, second = 0;  // positions of the fields after the "_"
  switch (p) {
    case 5:
    case 18:
      hour = 10;
      minute = 12;
      break;
    case 8:
      if (vb::Mid(name, p + 9, 1) == "_") {
        hour = 10;
        minute = 12;
      } else {
        hour = 9;
        minute = 11;
      }
      break;
    case 9:
      hour = 10;
      minute = 12;
      second = 14;
      break;
    case 10:
      hour = 9;
      minute = 11;
      break;
    default:
      return std::nullopt;
  }
  std::string text = vb::Mid(name, p + 1, 4) + "/" + vb::Mid(name, p + 5, 2) + "/" + vb::Mid(name, p + 7, 2) + " " +
                     vb::Mid(name, p + hour, 2) + ":" + vb::Mid(name, p + minute, 2);
  if (second > 0) text += ":" + vb::Mid(name, p + second, 2);
  return text;
}

FileListProduct fileListProduct(const std::string& name) {
  int q = vb::InStr(name, "_N");
  if (q == 0) q = vb::InStr(name, "_PTA");
  if (q == 0) q = vb::InStr(name, "_V");
  if (q == 0 && vb::InStr(name, "_REF") > 0) q = vb::InStr(name, "_");
  if (q == 0) q = vb::InStr(name, "_C");
  FileListProduct p;
  if (q == 0) return p;
  p.found = true;
  p.site = vb::Mid(name, q - 3, 3);
  p.product = vb::Mid(name, q + 1, 3);
  if (vb::Left(p.product, 1) == "V" || vb::InStr(name, "_REF") > 0) p.product = "N0R";
  return p;
}

bool knownFileListProduct(const std::string& product) {
  static const char* const known[] = {"N0B", "N0Z", "N0Q", "N0U", "N0H", "N0X", "PTA"};
  return std::any_of(std::begin(known), std::end(known), [&](const char* k) { return product == k; });
}

FileListNames splitFileListAnswer(const std::string& answer, bool sortNames) {
  FileListNames out;
  const std::vector<std::string> parts = vb::Split(answer, std::string(1, '\0'));
  if (parts.empty()) return out;
  if (parts.size() <= 2) {
    // One file: its folder, and its name both at 0 and at 1.
    const std::string& listed = parts.back();
    out.Folder = parts.size() == 1 ? ParentFolder(listed) : ParentFolder(answer);
    if (hasSeparator(listed)) out.Folder = ParentFolder(listed);
    const std::string name = FileNameOnly(listed);
    out.Names = {name, name};
    out.Count = 1;
    out.LastListed = listed;
    return out;
  }
  out.Names = parts;
  out.Folder = parts[0] + separatorOf(parts[0]);
  out.Count = static_cast<int32_t>(parts.size()) - 1;
  if (static_cast<int>(vb::Trim(out.Names.back()).size()) < kShortestName) {
    --out.Count;
    out.Names.pop_back();
  }
  if (out.Count < 1) {
    out.Count = 0;
    return out;
  }
  if (out.Names[1].size() < static_cast<std::size_t>(kShortestName) && out.Count >= 2) out.FirstIndex = 2;
  out.LastListed = out.Names[static_cast<std::size_t>(out.Count)];
  // A line naming its folder too: the name without it; the folder of the last such line.
  for (std::size_t i = 1; i < out.Names.size(); ++i) {
    if (!hasSeparator(out.Names[i])) continue;
    out.Folder = ParentFolder(out.Names[i]);
    out.Names[i] = FileNameOnly(out.Names[i]);
  }
  if (sortNames && out.Count > 1) SortStrings(out.Names, 1, out.Count);
  return out;
}

void RadarFileList(RadarFileListResult& result, Ui& ui, RadarState& state, bool listFileTicked,
                   const std::filesystem::path& programFolder, const RadarIo& io) {
  result.Count = 0;
  result.Site.clear();
  result.KnownProduct = false;
  result.ArrayDays = 0;
  try {
    std::string answer;
    if (listFileTicked) {
      const std::string path = ui.inputBox(kListPrompt, kListTitle, state.RadarFileListPath);
      state.RadarFileListPath = path;
      if (!path.empty()) {
        if (const auto file = findStoredFile(path, programFolder)) {
          // The shape of a dialog's answer: the folder, then each name, NUL-separated.
          const std::string folder = withoutLastCharacter(ParentFolder(file->string()));
          const std::vector<std::string> lines = splitTableLines(vb::readAllBytes(*file));
          answer = folder + '\0' + vb::Join(lines, std::string(1, '\0'));
        } else {
          radarNotice(io, path + " not found.");
        }
      }
    } else {
      FileDialogRequest request;
      request.filters = parseFileFilter(kImageFilter);
      request.multiple = true;
      const std::vector<std::string> files = ui.fileDialogFiles(request);
      if (files.size() == 1) {
        answer = files.front();
      } else if (files.size() > 1) {
        answer = withoutLastCharacter(ParentFolder(files.front()));
        for (const std::string& f : files) answer += '\0' + FileNameOnly(f);
      }
    }
    if (answer.empty()) return;

    FileListNames listed = splitFileListAnswer(answer, !listFileTicked);
    result.Names = listed.Names;
    result.Count = listed.Count;
    if (result.Count == 0) return;
    // A folder written on Windows: its files are looked for by name in the program folder.
    const std::filesystem::path folder = storedFolder(listed.Folder, programFolder);
    result.Folder = folder.string();
    if (result.Folder.empty() || (result.Folder.back() != '/' && result.Folder.back() != '\\')) result.Folder += "/";
    for (std::size_t i = 1; i < result.Names.size(); ++i)
      if (const auto found = findInFolder(folder, result.Names[i])) result.Names[i] = found->filename().string();

    const std::string& firstName = result.Names[static_cast<std::size_t>(listed.FirstIndex)];
    const std::string& lastName = result.Names[static_cast<std::size_t>(result.Count)];
    // A time is read only from a name whose file is there.
    auto timeOf = [&](const std::string& name) -> std::string {
      if (!findInFolder(folder, name)) return "";
      return fileListTimeText(name).value_or("");
    };
    const std::string firstTime = timeOf(firstName);
    const std::string lastTime = timeOf(lastName);
    int32_t firstDay = firstTime.empty() ? 0 : static_cast<int32_t>(vb::Int(vb::CDate(firstTime)));
    const int32_t endDay = lastTime.empty() ? 0 : static_cast<int32_t>(vb::Int(vb::CDate(lastTime))) + 1;
    if (firstDay == 0 || endDay == 0) {
      state.RadarFileFirstDay = firstDay;
      state.RadarFileEndDay = endDay;
      result.Count = 0;
      return;
    }
    if (vb::Left(lastName, 1) != "0") --firstDay;
    state.RadarFileFirstDay = firstDay;
    state.RadarFileEndDay = endDay;
    if (result.Count > 1) {
      const int32_t days = endDay - firstDay + kExtraArrayDays;
      if (days > kMinArrayDays) result.ArrayDays = days;
    }

    const FileListProduct p = fileListProduct(lastName);
    if (p.found) {
      result.Site = p.site;
      result.Product = p.product;
    }
    result.KnownProduct = knownFileListProduct(result.Product);
    const std::string from = "From file: " + result.Site + result.Product + " ";
    if (io.lastError) io.lastError(from);
    if (io.errorLog) io.errorLog(from + vb::CStr(endDay - firstDay) + " days " + firstTime + "-" + lastTime);

    state.RadarFileListFlag = false;
    state.RadarRefFileFlag = false;
    if (vb::InStr(listed.LastListed, "\\US") == 0 && vb::InStr(listed.LastListed, "/US") == 0 &&
        vb::Left(lastName, 1) != "0" && static_cast<int>(lastName.size()) > kListNameMinLength &&
        vb::Val(vb::Left(lastName, 3)) == 0)
      state.RadarFileListFlag = true;
    if (vb::InStr(lastName, "_REF_") > 0) {
      state.RadarFileListFlag = true;
      state.RadarRefFileFlag = true;
    }
  } catch (const vb::Error& e) {
    radarFailure(io, e.description());
  }
}

}  // namespace fw
