// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/alsa/alsa_device_list.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "capture/alsa/alsa_messages.h"
#include "capture/device_probe.h"

namespace {

// A healthy device answers in milliseconds; the whole list stays well under two seconds.
constexpr ProbePatience kProbePatience{std::chrono::milliseconds(500),
                                       std::chrono::milliseconds(1500)};

bool OpensForCapture(const std::string& pcmName) {
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0) {
    return false;
  }
  snd_pcm_close(pcm);
  return true;
}

// Sound servers, converters and mixers: each only passes on what a card or the default
// device records, so listing them would show the same microphone again.
bool IsPassThroughPlugin(std::string_view name) {
  static constexpr std::array<std::string_view, 17> kNames = {
      "default", "sysdefault", "null",  "pulse",     "pipewire", "jack",
      "oss",     "lavrate",    "samplerate", "speexrate", "speex", "upmix",
      "vdownmix", "a52",       "dmix",  "dsnoop",    "usbstream"};
  return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

std::string HintText(void* hint, const char* field) {
  char* value = snd_device_name_get_hint(hint, field);
  if (value == nullptr) return {};
  std::string text(value);
  std::free(value);
  return text;
}

// A description over several lines ("card\ndevice") as one line.
std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ',');
  for (std::size_t comma = text.find(','); comma != std::string::npos;
       comma = text.find(',', comma + 2)) {
    text.insert(comma + 1, " ");
  }
  return text;
}

void AddCardDevices(std::vector<AlsaCaptureDevice>& list) {
  snd_ctl_card_info_t* cardInfo = nullptr;
  snd_pcm_info_t* pcmInfo = nullptr;
  snd_ctl_card_info_malloc(&cardInfo);
  snd_pcm_info_malloc(&pcmInfo);
  for (int card = -1; snd_card_next(&card) == 0 && card >= 0;) {
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, ("hw:" + std::to_string(card)).c_str(), 0) < 0) continue;
    if (snd_ctl_card_info(ctl, cardInfo) == 0) {
      const std::string cardId = snd_ctl_card_info_get_id(cardInfo);
      const std::string cardName = snd_ctl_card_info_get_name(cardInfo);
      for (int device = -1; snd_ctl_pcm_next_device(ctl, &device) == 0 && device >= 0;) {
        snd_pcm_info_set_device(pcmInfo, static_cast<unsigned>(device));
        snd_pcm_info_set_subdevice(pcmInfo, 0);
        snd_pcm_info_set_stream(pcmInfo, SND_PCM_STREAM_CAPTURE);
        if (snd_ctl_pcm_info(ctl, pcmInfo) < 0) continue;  // no capture on this device
        const std::string deviceName = snd_pcm_info_get_name(pcmInfo);
        list.push_back({"plughw:CARD=" + cardId + ",DEV=" + std::to_string(device),
                        deviceName.empty() || deviceName == cardName
                            ? cardName
                            : cardName + ": " + deviceName});
      }
    }
    snd_ctl_close(ctl);
  }
  snd_pcm_info_free(pcmInfo);
  snd_ctl_card_info_free(cardInfo);
}

void AddHintedDevices(std::vector<AlsaCaptureDevice>& list) {
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0) return;
  for (void** hint = hints; *hint != nullptr; ++hint) {
    const std::string name = HintText(*hint, "NAME");
    const std::string direction = HintText(*hint, "IOID");
    // Names with arguments ("front:CARD=…") belong to a card, listed above.
    if (name.empty() || name.find(':') != std::string::npos || IsPassThroughPlugin(name) ||
        (!direction.empty() && direction != "Input")) {
      continue;
    }
    const std::string description = HintText(*hint, "DESC");
    list.push_back({name, description.empty() ? name : OneLine(description)});
  }
  snd_device_name_free_hint(hints);
}

}  // namespace

std::vector<AlsaCaptureDevice> ListAlsaCaptureDevices() {
  SilenceAlsaMessages();
  std::vector<AlsaCaptureDevice> candidates{{"default", "Default input"}};
  AddCardDevices(candidates);
  AddHintedDevices(candidates);
  std::vector<std::function<bool()>> probes;
  for (const AlsaCaptureDevice& device : candidates)
    probes.emplace_back([name = device.pcmName] { return OpensForCapture(name); });
  const std::vector<ProbeAnswer> answers = ProbeDevices(std::move(probes), kProbePatience);
  std::vector<AlsaCaptureDevice> list;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (answers[i] != ProbeAnswer::Refuses) list.push_back(std::move(candidates[i]));
  }
  return list;
}
