// Options of a file object beyond the library's own file conventions, for files that travel
// between the tools of many makers. Every option is off by default, so that a file object
// reads and writes exactly as the library always has.
#pragma once

namespace Arvenko::Melvotar::Scl {

/// What a CSclFile does beyond its own conventions when it reads and writes (SetInterchange).
/// Further behaviours (element order, attribute keeping) join as further members.
struct tSclInterchange {
   /// Files are read and written as XML processors read and write them. Reading: the encoding
   /// declaration decides (see XmlParser::tXmlTextMode), character references of every form
   /// are decoded into library text, processing instructions keep their data. Writing:
   /// characters outside Windows-1252 as themselves (UTF-8, UTF-16) or as references
   /// (ISO-8859-1, which also gets the bytes 0x80..0x9F as references); carriage return, line
   /// feed and tab in attribute values and texts as references; the line ends of the file
   /// read (LF or CR LF); a declaration that names the encoding; names, repeated attributes,
   /// comments, CDATA sections and processing instructions written so that the output is
   /// well-formed even where the tree would not be.
   bool XmlText = false;

   /// Elements are read and written in the order the schema of the file's edition prescribes
   /// (CSclEdition, told by version, revision and release of SCL; a new file is 2007B4):
   /// an element that edition does not list for its parent, a comment or a text keeps its
   /// place behind the sibling it followed when read, and attributes keep the order read
   /// (the keys of a reference stand behind the attribute they followed; attributes
   /// reordered since, as a pack sorts them, are written in their new order, which the
   /// checksum covers). A reference writes a key attribute with an empty value only where
   /// the element read had that attribute.
   bool EditionOrder = false;

   /// The behaviours that tools switch on by default: all of them.
   static tSclInterchange All()
   {
      tSclInterchange options;
      options.XmlText = true;
      options.EditionOrder = true;
      return options;
   }
};

} // namespace Arvenko::Melvotar::Scl
