// Writes a tour album file from panorama JPEG files, for the tests and benchmarks that
// build real tours: make_tour_album OUT TITLE JPEG...
// Every picture is named after its file and spans the usual 26 degrees up to 64 down.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tourfmt/TourAlbum.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_tour_album OUT TITLE JPEG...\n");
        return 2;
    }
    orbpix::TourAlbum album;
    album.title = argv[2];
    album.info = orbpix::TourInfo{"Ann Lee", "Harbour Road 1\r\nBay", "http://example.org"};
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        orbpix::TourPicture picture;
        picture.name = std::filesystem::path(argv[i]).stem().string();
        picture.firstAngle = -64;
        picture.secondAngle = 26;
        picture.jpeg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        album.pictures.push_back(std::move(picture));
    }
    if (!orbpix::writeTourAlbumFile(album, argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
