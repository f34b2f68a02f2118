/*
 * Reading the editor's address: the client opens the offline editor as
 *   editor/index.html?channel=offline&file=<escaped document path>
 * where spaces, non-ASCII bytes, "%", "#", "&" and "+" of the path are
 * percent-escaped. Addresses written by older clients may still hold those
 * characters unescaped (a lone "%" among them), and the helpers here take
 * care never to lose or mangle them.
 * Works as a browser global (window.ZvQuery) and as a CommonJS module.
 */
(function (root, factory) {
  if (typeof module === "object" && module.exports) module.exports = factory();
  else root.ZvQuery = factory();
})(typeof self !== "undefined" ? self : this, function () {
  "use strict";

  var KNOWN_KEYS = ["channel", "file"];

  // Decodes percent escapes. A text that decodeURIComponent refuses (a lone
  // "%" as in "100%.zv", or escapes that are not UTF-8) is decoded run by run:
  // each run of escapes that forms valid UTF-8 is decoded, everything else is
  // kept as written. "+" stays a plus sign: the client never writes spaces
  // as "+".
  function decodeParam(text) {
    if (typeof text !== "string") return "";
    try {
      return decodeURIComponent(text);
    } catch (e) {
      return text.replace(/(?:%[0-9A-Fa-f]{2})+/g, decodeRun);
    }
  }

  // The length of the UTF-8 sequence a lead byte starts (1 for a byte that
  // cannot start one, so that it is kept as written).
  function sequenceLength(lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xc2 && lead <= 0xdf) return 2;
    if (lead >= 0xe0 && lead <= 0xef) return 3;
    if (lead >= 0xf0 && lead <= 0xf4) return 4;
    return 1;
  }

  // Decodes a run of escapes ("%E8%AF%BE%FF") one UTF-8 sequence at a time;
  // a sequence that does not decode keeps its first escape as written.
  function decodeRun(run) {
    var out = "";
    var i = 0;
    while (i < run.length) {
      var n = sequenceLength(parseInt(run.substr(i + 1, 2), 16));
      var piece = run.substr(i, 3 * n);
      try {
        out += decodeURIComponent(piece);
        i += piece.length;
      } catch (e) {
        out += run.substr(i, 3);
        i += 3;
      }
    }
    return out;
  }

  // Splits the text after the first "?" of an address into its values. The
  // query is cut only at an "&" that starts one of the keys this page knows,
  // so a document path containing "&" or "#" stays whole. The fragment is
  // part of the value: older clients did not escape "#" in paths.
  function parseQuery(address) {
    var result = {};
    if (typeof address !== "string") return result;
    var q = address.indexOf("?");
    if (q < 0) return result;
    var query = address.slice(q + 1);
    if (query === "") return result;
    var pattern = new RegExp("&(?=(?:" + KNOWN_KEYS.join("|") + ")=)");
    var parts = query.split(pattern);
    for (var i = 0; i < parts.length; i++) {
      var part = parts[i];
      var eq = part.indexOf("=");
      var key = eq >= 0 ? part.slice(0, eq) : part;
      var raw = eq >= 0 ? part.slice(eq + 1) : "";
      if (!Object.prototype.hasOwnProperty.call(result, key)) {
        result[key] = decodeParam(raw);
      }
    }
    return result;
  }

  function isWindowsPath(path) {
    return /^[A-Za-z]:[\\/]/.test(path);
  }

  function isAbsolutePath(path) {
    return typeof path === "string" && (path.charAt(0) === "/" || isWindowsPath(path));
  }

  // Escapes one path segment for a file URL. encodeURIComponent leaves
  // ! ' ( ) * alone, which is fine in a path; it escapes "#", "?", "%" and
  // ";" which would otherwise change the URL's meaning.
  function escapeSegment(segment) {
    return encodeURIComponent(segment);
  }

  // Builds the file URL of an absolute document path, or returns null for a
  // relative or empty one. Backslashes of a drive path become slashes.
  function pathToFileUrl(path) {
    if (!isAbsolutePath(path)) return null;
    var p = path;
    var prefix = "file://";
    if (isWindowsPath(p)) {
      p = p.replace(/\\/g, "/");
      prefix = "file:///" + p.slice(0, 2);
      p = p.slice(2);
    }
    var segments = p.split("/");
    return prefix + segments.map(escapeSegment).join("/");
  }

  // The last component of a path, for titles and messages.
  function baseName(path) {
    if (typeof path !== "string") return "";
    var parts = path.split(/[\\/]/);
    for (var i = parts.length - 1; i >= 0; i--) {
      if (parts[i] !== "") return parts[i];
    }
    return "";
  }

  return {
    decodeParam: decodeParam,
    parseQuery: parseQuery,
    isAbsolutePath: isAbsolutePath,
    pathToFileUrl: pathToFileUrl,
    baseName: baseName
  };
});
