#include "camera_instances.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream stream(text);
  while (std::getline(stream, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.push_back("");
  return parts;
}

// "640x480x24@333333": the interval does not matter to a host, which never sees it.
bool ParseCapability(const std::string& text, CameraCapability* capability) {
  long long interval = 0;
  char extra = 0;
  return sscanf(text.c_str(), "%dx%dx%d@%lld%c", &capability->width, &capability->height,
                &capability->bits, &interval, &extra) == 4;
}

}  // namespace

CameraInstances::CameraInstances(const std::string& path) {
  std::ifstream file(path);
  if (!file) {
    error_ = "cannot open " + path;
    return;
  }
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> fields = Split(line, '|');
    if (fields.size() != 6) {
      error_ = "not six fields: " + line;
      return;
    }
    CameraInstance instance;
    instance.role = fields[0];
    instance.subkey = fields[1];
    instance.named = fields[2] != "-";
    if (instance.named) instance.name = fields[2];
    for (const std::string& entry : Split(fields[3], ';')) {
      CameraCapability capability;
      if (!ParseCapability(entry, &capability)) {
        error_ = "bad capability '" + entry + "' in: " + line;
        return;
      }
      instance.capabilities.push_back(capability);
    }
    instance.seed = static_cast<uint32_t>(strtoul(fields[4].c_str(), nullptr, 10));
    instance.standIn = fields[5] == "1";
    all_.push_back(instance);
  }
  if (all_.empty()) error_ = "no instances in " + path;
}

std::vector<CameraInstance> CameraInstances::Listed() const {
  std::vector<CameraInstance> listed;
  for (const CameraInstance& instance : all_) {
    if (instance.named) listed.push_back(instance);
  }
  return listed;
}

int CameraInstances::DeviceIndex(const std::string& role) const {
  const std::vector<CameraInstance> listed = Listed();
  for (size_t i = 0; i < listed.size(); ++i) {
    if (listed[i].role == role) return static_cast<int>(i);
  }
  return -1;
}

const CameraInstance& CameraInstances::ByRole(const std::string& role) const {
  for (const CameraInstance& instance : all_) {
    if (instance.role == role) return instance;
  }
  throw std::runtime_error("no camera instance with role " + role);
}
