// Standard base64 (with padding) to bytes and back; the browser's own
// decoder where it has one.

// Throws on anything but whole groups of four base64 characters, with
// padding at the end only.
export function decodeBase64(text) {
  if (!/^[A-Za-z0-9+/]*={0,2}$/.test(text) || text.length % 4) throw new Error('not base64');
  if (typeof Uint8Array.fromBase64 === 'function') return Uint8Array.fromBase64(text, { lastChunkHandling: 'strict' });
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

export function encodeBase64(bytes) {
  if (typeof bytes.toBase64 === 'function') return bytes.toBase64();
  let binary = '';
  for (let i = 0; i < bytes.length; i++) binary += String.fromCharCode(bytes[i]);
  return btoa(binary);
}
