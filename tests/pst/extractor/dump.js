// Reads a PST with pst-extractor (a third independent reader, from the npm
// registry) and prints what it found below "Top of Personal Folders", one line
// per message and per attachment, every field base64-encoded:
//   M <folder> <subject, sender name and address> <plain body>
//   A <file name> <bytes>
// A folder whose ContentCount disagrees with the rows it iterates is reported
// as "MISMATCH" on stderr, and any exception ends with exit code 1.
'use strict';
const { PSTFile } = require('pst-extractor');

const b64 = (value) => Buffer.from(value).toString('base64');
let mismatches = 0;

function attachmentBytes(attachment) {
  const stream = attachment.fileInputStream;
  if (!stream) return Buffer.alloc(0);
  const chunks = [];
  const buffer = Buffer.alloc(8176);
  for (let n = stream.read(buffer); n > 0; n = stream.read(buffer)) chunks.push(Buffer.from(buffer.subarray(0, n)));
  return Buffer.concat(chunks);
}

function walk(folder, path) {
  let read = 0;
  if (folder.contentCount > 0) {
    for (let message = folder.getNextChild(); message != null; message = folder.getNextChild()) {
      read++;
      const text = `Subject: ${message.subject}\nFrom: ${message.senderName} <${message.senderEmailAddress}>\n`;
      console.log(`M ${b64(path)} ${b64(text)} ${b64(message.body || '')}`);
      for (let i = 0; i < message.numberOfAttachments; i++) {
        const attachment = message.getAttachment(i);
        console.log(`A ${b64(attachment.longFilename || attachment.filename)} ${attachmentBytes(attachment).toString('base64')}`);
      }
    }
  }
  if (read !== folder.contentCount || folder.emailCount !== folder.contentCount) {
    mismatches++;
    console.error(`MISMATCH ${path}: ContentCount ${folder.contentCount}, rows ${folder.emailCount}, read ${read}`);
  }
  if (folder.hasSubfolders) {
    for (const sub of folder.getSubFolders()) walk(sub, path ? `${path}/${sub.displayName}` : sub.displayName);
  }
}

const pst = new PSTFile(process.argv[2]);
for (const top of pst.getRootFolder().getSubFolders()) {
  if (top.displayName === 'Top of Personal Folders') walk(top, '');
}
process.exitCode = mismatches ? 1 : 0;
