#!/usr/bin/env python3
"""Signs the packaged DLL and the package with scripts/sign.sh, using a certificate
authority and a code-signing certificate made here with openssl, and checks them with
osslsigncode verify against that authority. ctest passes through the environment:

  SIGN          scripts/sign.sh
  MSI           the package (target msi)
  MSI_DLL       the DLL it holds
  TEST_WORK     a folder of the build tree for the test's files
"""
import glob
import os
import shutil
import subprocess
import tempfile
import unittest

SIGN = os.environ.get("SIGN", "")
MSI = os.environ.get("MSI", "")
DLL = os.environ.get("MSI_DLL", "")
WORK = os.environ.get("TEST_WORK", tempfile.gettempdir())
PASSWORD = "correct horse 7"
SIGNER_EXTENSIONS = "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n"


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class SignTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(WORK, exist_ok=True)
        cls.keys = tempfile.mkdtemp(prefix="keys.", dir=WORK)
        k = lambda name: os.path.join(cls.keys, name)  # noqa: E731
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", k("ca.key"), "-out", k("ca.pem"),
                "-days", "2", "-subj", "/CN=Pellacorm Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", k("signer.key"), "-out", k("signer.csr"),
                "-subj", "/CN=Pellacorm Test Signer")
        with open(k("signer.ext"), "w") as f:
            f.write(SIGNER_EXTENSIONS)
        openssl("x509", "-req", "-in", k("signer.csr"), "-CA", k("ca.pem"), "-CAkey", k("ca.key"),
                "-CAcreateserial", "-days", "2", "-extfile", k("signer.ext"), "-out", k("signer.pem"))
        openssl("pkcs12", "-export", "-inkey", k("signer.key"), "-in", k("signer.pem"), "-certfile", k("ca.pem"),
                "-out", k("signer.p12"), "-passout", f"pass:{PASSWORD}")
        cls.ca, cls.pkcs12 = k("ca.pem"), k("signer.p12")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys, ignore_errors=True)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="sign.", dir=WORK)
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.files = [shutil.copy(path, self.folder) for path in (DLL, MSI)]

    def sign(self, *files, **environment):
        env = {k: v for k, v in os.environ.items() if not k.startswith("PELLACORM_SIGN_")}
        env.update(environment)
        result = subprocess.run([SIGN, *(files or self.files)], env=env, capture_output=True, text=True)
        self.assertNotIn(PASSWORD, result.stdout + result.stderr)
        return result

    def verify(self, path):
        return subprocess.run(["osslsigncode", "verify", "-CAfile", self.ca, "-in", path], capture_output=True,
                              text=True)

    def test_signed_files_verify_and_a_changed_byte_is_caught(self):
        result = self.sign(PELLACORM_SIGN_PKCS12=self.pkcs12, PELLACORM_SIGN_PASSWORD=PASSWORD)
        self.assertEqual(result.returncode, 0, result.stderr)
        for path in self.files:
            with self.subTest(os.path.basename(path)):
                verified = self.verify(path)
                self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
                self.assertRegex(verified.stdout, r"Message digest algorithm\s*: SHA256")
                self.assertIn("Signature verification: ok", verified.stdout)

                # A byte of what the signature covers: the DLL's code, the package's
                # string pool (which holds the DLL's file name).
                data = bytearray(read(path))
                at = data.index(b"PellacormRuleExt.dll") if path.endswith(".msi") else len(data) // 3
                data[at] ^= 0x20
                with open(path, "wb") as f:
                    f.write(data)
                self.assertNotEqual(self.verify(path).returncode, 0, "the changed file still verifies")
        # Nothing of the signing is left beside the files, the password least of all.
        for path in glob.glob(os.path.join(self.folder, "*")):
            self.assertNotIn(PASSWORD.encode(), read(path), path)
        self.assertEqual(sorted(os.listdir(self.folder)), sorted(os.path.basename(p) for p in self.files))

    def test_a_failed_run_changes_nothing(self):
        before = [read(path) for path in self.files]
        # Signed after the DLL and the package, it makes the run fail after they were.
        not_signable = os.path.join(self.keys, "notes.txt")
        with open(not_signable, "w") as f:
            f.write("neither a program nor a package")
        certificate = {"PELLACORM_SIGN_PKCS12": self.pkcs12, "PELLACORM_SIGN_PASSWORD": PASSWORD}
        cases = [
            ("no certificate", {}, self.files, "no certificate: set PELLACORM_SIGN_PKCS12"),
            ("no such certificate", dict(certificate, PELLACORM_SIGN_PKCS12=self.folder + "/none.p12"), self.files,
             "no certificate at"),
            ("wrong password", dict(certificate, PELLACORM_SIGN_PASSWORD="wrong"), self.files, "could not sign"),
            # A closed port on this machine: the time-stamp server cannot be reached.
            ("time-stamp server down", dict(certificate, PELLACORM_SIGN_TIMESTAMP="http://127.0.0.1:9/"),
             self.files, "could not sign"),
            ("a file missing", certificate, [*self.files, self.folder + "/missing.msi"], "no file to sign"),
            ("a file it cannot sign", certificate, [*self.files, not_signable], "could not sign"),
        ]
        for what, environment, files, message in cases:
            with self.subTest(what):
                result = self.sign(*files, **environment)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertIn("nothing was signed", result.stderr)
                self.assertEqual([read(path) for path in self.files], before)
                self.assertEqual(sorted(os.listdir(self.folder)), sorted(os.path.basename(p) for p in self.files))


if __name__ == "__main__":
    unittest.main(verbosity=2)
