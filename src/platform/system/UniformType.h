#pragma once

#include <string>
#include <string_view>

// Uniform type identifiers: the names the program gives file types ("public.png"), how a file name
// extension maps onto one, and which broader type a type belongs to ("public.png" is an image).
namespace vl::uti {

inline constexpr const char kData[] = "public.data";
inline constexpr const char kFolder[] = "public.folder";
inline constexpr const char kImage[] = "public.image";
inline constexpr const char kPNG[] = "public.png";
inline constexpr const char kJPEG[] = "public.jpeg";
inline constexpr const char kGIF[] = "com.compuserve.gif";
inline constexpr const char kTIFF[] = "public.tiff";
inline constexpr const char kPDF[] = "com.adobe.pdf";
inline constexpr const char kPlainText[] = "public.plain-text";

// The preferred identifier for a file name extension (without the dot, any case). An extension with no
// known type gives "dyn.<extension in lowercase>", a type that conforms to nothing but data, the way
// unknown extensions get a dynamic identifier elsewhere. "" gives kData.
std::string preferredIdentifierForExtension(std::string_view extension);

// True when `type` is `parent` or lies under it (every type conforms to kData).
bool conformsTo(std::string_view type, std::string_view parent);

}  // namespace vl::uti
