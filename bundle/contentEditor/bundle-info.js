/*
 * Which bundle this is. The default bundle shipped with the client has no
 * build number; a bundle published by an update service replaces this file
 * with its build number (and may name its own service address).
 */
window.QUORBITAL_BUNDLE = { build: null, source: "default" };
