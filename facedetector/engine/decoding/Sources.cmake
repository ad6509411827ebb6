# The picture decoders, relative to this folder: one list for the engine library and for the
# fuzzers (tests/facedetector/fuzz), which build them instrumented.
set(FACEENGINE_DECODING_SOURCES
  ImageDecoder.h ImageDecoder.cpp
  BmpDecoder.h BmpDecoder.cpp
  GifDecoder.h GifDecoder.cpp
  CodecDecoders.h CodecDecoders.cpp
  HeifDecoder.h HeifDecoder.cpp
  OrientationTag.h OrientationTag.cpp
  UprightPicture.h UprightPicture.cpp)
