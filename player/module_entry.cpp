// Entry points of the player module kelvo_blackbox.so: registration and the
// factory the program resolves to create a player per view.
#include <QWidget>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "player/player_view.h"

// 0 when the module can do its work: libavcodec has an H.264 decoder.
extern "C" __attribute__((visibility("default"))) int DllRegisterServer() {
  return avcodec_find_decoder(AV_CODEC_ID_H264) != nullptr ? 0 : 1;
}

// A new player whose view is a child of `parent`. User-interface thread.
extern "C" __attribute__((visibility("default"))) orvia::player::EmbeddedPlayer* OrviaCreatePlayer(
    QWidget* parent) {
  return new orvia::player::PlayerView(parent);
}
