#include "core/MessagesExtra.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"

#include <basekit/plainfile.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kCount = static_cast<std::size_t>(ExtraMsg::Count);
using Block = std::array<const char*, kCount>;

// In ExtraMsg order.
const Block kEs = {
    "No se pudo grabar %1: %2",
    "No se pudo leer %1: %2",
    "No se pudo apartar el archivo ilegible %1: %2",
    "El archivo ilegible %1 se guardó como %2",
    "%1: %2 bytes después de los registros leídos; el archivo se apartará antes de la próxima "
    "grabación",
    "%1 tiene un formato desconocido (versión %2); no se cargó ningún registro",
    "%1 no tiene ningún registro completo; no se cargó nada",
    "%1 tiene un formato desconocido; no se cargó ningún usuario",
    "La fila %1 de la base de tarjetas (\"%2\") no es válida; %3 quedó como estaba",
    "La empresa %1 tiene un texto demasiado largo para su campo; %2 quedó como estaba",
    "Configuración de línea no válida: %1",
    "%1: no es un puerto serie",
    "%1: el dispositivo no acepta la configuración %2: %3",
    "No se pudo iniciar %1: %2",
    "%1 terminó de forma anormal: %2",
    "%1 terminó con el código de error %2",
    "La impresora no pudo iniciar el documento (%1)",
    "La impresora no pudo iniciar la página %1",
    "La impresora falló al imprimir el documento",
    "es un enlace simbólico; los archivos de datos deben ser archivos comunes",
    "%1 es más grande de lo que tal archivo puede ser; quedó como estaba",
    "permiso denegado",
    "no existe el archivo o la carpeta",
    "no queda espacio en el disco",
    "se superó la cuota de disco",
    "el sistema de archivos es de sólo lectura",
    "es una carpeta",
    "una parte de la ruta no es una carpeta",
    "el archivo es demasiado grande",
    "error de entrada/salida",
    "el dispositivo o recurso está ocupado",
    "no es un archivo común; los archivos de datos deben ser archivos comunes",
    "tiene un segundo nombre (un enlace duro); los archivos de datos deben tener un solo nombre",
    "Todos (*)",
    "%1 es el único administrador; debe quedar al menos un usuario administrador",
    "No hay pantalla para pedir el usuario y la contraseña; sin pantalla sólo puede iniciarse "
    "la corrida automática",
    "No se puede conectar con la pantalla %1; sin DISPLAY ni WAYLAND_DISPLAY el programa "
    "funciona sin pantalla, donde sólo puede iniciarse la corrida automática",
    "otro archivo ocupó su nombre mientras se leía; se deja para la próxima vez",
    "error del sistema %1",
    "No se pudo abrir el registro diario %1: %2",
    "No se pudo escribir en el registro diario %1: %2",
    "argumento no válido",
    "No hay ningún programa de correo configurado: instale xdg-utils y configure un programa de "
    "correo en el escritorio",
    "terminó por una señal",
    "ERROR AL INICIALIZAR: ",
    "Hoy no hay corrida automática: el carácter %2 de AUTODIAS (\"%1\", el domingo primero) "
    "no es 1",
    "Se deshizo lo grabado: los archivos quedaron como estaban y las registraciones siguen en "
    "el reloj",
    "No se pudo deshacer lo grabado en %1: %2",
    "Uso: velta-init CARPETA USUARIO\n"
    "Prepara CARPETA (creándola si no existe) para que una estación arranque en ella: "
    "VELTA.DAT con el usuario administrador USUARIO y VELTA.INI con los valores iniciales. La "
    "clave, un número, se escribe dos veces en la terminal o se lee como una línea de la "
    "entrada estándar.",
    "El usuario \"%1\" no cabe en el archivo de usuarios: a lo sumo 20 caracteres de "
    "Windows-1252",
    "Error: La clave debe ser un número entero de -2147483648 a 2147483647",
    "Clave de %1: ",
    "Repita la clave: ",
    "%1 ya existe: la carpeta ya tiene un archivo de usuarios; no se cambió nada",
    "%1 es un enlace simbólico; indique la carpeta misma",
    "%1 no es una carpeta",
    "%1: %2; no se cambió nada",
    "No se pudo preparar %1: %2",
    "%1 está lista: VELTA.DAT con el administrador %2, VELTA.INI con los valores iniciales",
    "No se pudo usar el complemento conversor %1: %2",
    "no se encontró el archivo",
    "el archivo no es una biblioteca que este sistema pueda cargar, o le falta otra de la que "
    "depende",
    "la biblioteca no tiene la función QCvt",
    "no se encontró la dirección del servidor",
    "no se encontró la dirección del proxy",
    "no se pudo conectar con el servidor",
    "el servidor no respondió a tiempo",
    "se cortó la conexión con el servidor",
    "no se pudo leer el archivo a enviar",
    "el nombre del servidor no es válido",
    "el proxy indicado no es válido",
    "el servidor no aceptó el usuario o la contraseña",
    "el servidor rechazó la orden",
    "el servidor respondió de forma inesperada",
    "no se pudo abrir la conexión de datos con el servidor",
    "no hay memoria suficiente",
    "error de la transferencia FTP (código %1)",
    "No se puede usar la pantalla %1: la plataforma %2 de Qt no está instalada o no se puede "
    "cargar; sin pantalla sólo puede iniciarse la corrida automática",
};

const Block kEn = {
    "Could not save %1: %2",
    "Could not read %1: %2",
    "Could not keep the unreadable file %1 aside: %2",
    "The unreadable file %1 was kept as %2",
    "%1: %2 bytes past the records loaded; the file is kept aside before the next save",
    "%1 is of an unknown form (version %2); nothing loaded",
    "%1 holds no whole record; nothing loaded",
    "%1 is of an unknown form; no user loaded",
    "Card row %1 (\"%2\") is not valid; %3 was left as it was",
    "Company %1 has a text too long for its field; %2 was left as it was",
    "Line settings not valid: %1",
    "%1: not a serial port",
    "%1: the device does not take the settings %2: %3",
    "%1 could not be started: %2",
    "%1 ended abnormally: %2",
    "%1 ended with error code %2",
    "The printer could not start the document (%1)",
    "The printer could not start page %1",
    "The printer failed while printing the document",
    "is a symbolic link; data files must be plain files",
    "%1 is larger than such a file may be; it was left as it was",
    "permission denied",
    "no such file or folder",
    "no space left on the disk",
    "disk quota exceeded",
    "read-only file system",
    "is a folder",
    "a part of the path is not a folder",
    "file too large",
    "input/output error",
    "device or resource busy",
    "is not a plain file; data files must be plain files",
    "has a second name (a hard link); data files must have one name only",
    "All files (*)",
    "%1 is the only administrator; at least one administrator user must remain",
    "There is no display to ask for the user and password; without a display only the "
    "automatic run can start",
    "Could not connect to the display %1; with no DISPLAY and no WAYLAND_DISPLAY the program "
    "starts without a display, and only the automatic run can start",
    "another file took its name while it was read; left for the next time",
    "system error %1",
    "Could not open the daily log %1: %2",
    "Could not write to the daily log %1: %2",
    "invalid argument",
    "No mail program is set up: install xdg-utils and set up a mail program on the desktop",
    "ended by a signal",
    "ERROR WHILE STARTING: ",
    "No automatic run today: character %2 of AUTODIAS (\"%1\", Sunday first) is not 1",
    "What was written was undone: the files are as they were and the punches stay on the clock",
    "Could not undo what was written to %1: %2",
    "Usage: velta-init FOLDER USER\n"
    "Makes FOLDER (created when missing) a folder a station can start in: VELTA.DAT with the "
    "administrator USER and VELTA.INI with the start-up values. The password, a number, is "
    "typed twice on a terminal or read as one line from standard input.",
    "The user \"%1\" does not fit the user file: at most 20 Windows-1252 characters",
    "Error: The password must be a whole number from -2147483648 to 2147483647",
    "Password of %1: ",
    "Type the password again: ",
    "%1 exists: the folder already holds a user file; nothing was changed",
    "%1 is a symbolic link; name the folder itself",
    "%1 is not a folder",
    "%1: %2; nothing was changed",
    "Could not prepare %1: %2",
    "%1 is ready: VELTA.DAT with the administrator %2, VELTA.INI with the start-up values",
    "Could not use the converter add-in %1: %2",
    "the file was not found",
    "the file is no library this system can load, or a library it needs is missing",
    "the library has no QCvt function",
    "the server's address was not found",
    "the proxy's address was not found",
    "could not connect to the server",
    "the server did not answer in time",
    "the connection to the server was cut",
    "the file to send could not be read",
    "the server name is not valid",
    "the proxy given is not valid",
    "the server did not accept the user or the password",
    "the server refused the command",
    "the server gave an unexpected answer",
    "the data connection to the server could not be opened",
    "not enough memory",
    "FTP transfer error (code %1)",
    "The display %1 cannot be used: Qt's %2 platform is not installed or cannot be loaded; "
    "without a display only the automatic run can start",
};

const Block kPt = {
    "Não foi possível gravar %1: %2",
    "Não foi possível ler %1: %2",
    "Não foi possível separar o arquivo ilegível %1: %2",
    "O arquivo ilegível %1 foi guardado como %2",
    "%1: %2 bytes após os registros lidos; o arquivo será separado antes da próxima gravação",
    "%1 tem um formato desconhecido (versão %2); nada foi carregado",
    "%1 não tem nenhum registro completo; nada foi carregado",
    "%1 tem um formato desconhecido; nenhum usuário foi carregado",
    "A linha %1 da base de cartões (\"%2\") não é válida; %3 ficou como estava",
    "A empresa %1 tem um texto longo demais para o seu campo; %2 ficou como estava",
    "Configuração de linha inválida: %1",
    "%1: não é uma porta serial",
    "%1: o dispositivo não aceita a configuração %2: %3",
    "Não foi possível iniciar %1: %2",
    "%1 terminou de forma anormal: %2",
    "%1 terminou com o código de erro %2",
    "A impressora não pôde iniciar o documento (%1)",
    "A impressora não pôde iniciar a página %1",
    "A impressora falhou ao imprimir o documento",
    "é um link simbólico; os arquivos de dados devem ser arquivos comuns",
    "%1 é maior do que tal arquivo pode ser; ficou como estava",
    "permissão negada",
    "arquivo ou pasta inexistente",
    "não há espaço livre no disco",
    "cota de disco excedida",
    "sistema de arquivos somente leitura",
    "é uma pasta",
    "uma parte do caminho não é uma pasta",
    "arquivo grande demais",
    "erro de entrada/saída",
    "dispositivo ou recurso ocupado",
    "não é um arquivo comum; os arquivos de dados devem ser arquivos comuns",
    "tem um segundo nome (um link físico); os arquivos de dados devem ter um só nome",
    "Todos os arquivos (*)",
    "%1 é o único administrador; deve restar pelo menos um usuário administrador",
    "Não há tela para pedir o usuário e a senha; sem tela só pode ser iniciada a execução "
    "automática",
    "Não foi possível conectar à tela %1; sem DISPLAY nem WAYLAND_DISPLAY o programa "
    "funciona sem tela, onde só pode ser iniciada a execução automática",
    "outro arquivo tomou o seu nome enquanto era lido; fica para a próxima vez",
    "erro do sistema %1",
    "Não foi possível abrir o registro diário %1: %2",
    "Não foi possível escrever no registro diário %1: %2",
    "argumento inválido",
    "Não há nenhum programa de e-mail configurado: instale o xdg-utils e configure um programa "
    "de e-mail na área de trabalho",
    "terminou por um sinal",
    "ERRO AO INICIALIZAR: ",
    "Hoje não há execução automática: o caractere %2 de AUTODIAS (\"%1\", o domingo primeiro) "
    "não é 1",
    "O gravado foi desfeito: os arquivos ficaram como estavam e as marcações continuam no "
    "relógio",
    "Não foi possível desfazer o gravado em %1: %2",
    "Uso: velta-init PASTA USUÁRIO\n"
    "Prepara PASTA (criando-a quando não existe) para que uma estação inicie nela: VELTA.DAT "
    "com o usuário administrador USUÁRIO e VELTA.INI com os valores iniciais. A senha, um "
    "número, é digitada duas vezes no terminal ou lida como uma linha da entrada padrão.",
    "O usuário \"%1\" não cabe no arquivo de usuários: no máximo 20 caracteres de "
    "Windows-1252",
    "Erro: A senha deve ser um número inteiro de -2147483648 a 2147483647",
    "Senha de %1: ",
    "Repita a senha: ",
    "%1 já existe: a pasta já tem um arquivo de usuários; nada foi alterado",
    "%1 é um link simbólico; indique a própria pasta",
    "%1 não é uma pasta",
    "%1: %2; nada foi alterado",
    "Não foi possível preparar %1: %2",
    "%1 está pronta: VELTA.DAT com o administrador %2, VELTA.INI com os valores iniciais",
    "Não foi possível usar o complemento conversor %1: %2",
    "o arquivo não foi encontrado",
    "o arquivo não é uma biblioteca que este sistema possa carregar, ou falta outra da qual "
    "depende",
    "a biblioteca não tem a função QCvt",
    "o endereço do servidor não foi encontrado",
    "o endereço do proxy não foi encontrado",
    "não foi possível conectar ao servidor",
    "o servidor não respondeu a tempo",
    "a conexão com o servidor foi cortada",
    "não foi possível ler o arquivo a enviar",
    "o nome do servidor não é válido",
    "o proxy indicado não é válido",
    "o servidor não aceitou o usuário ou a senha",
    "o servidor recusou o comando",
    "o servidor respondeu de forma inesperada",
    "não foi possível abrir a conexão de dados com o servidor",
    "memória insuficiente",
    "erro da transferência FTP (código %1)",
    "Não é possível usar a tela %1: a plataforma %2 do Qt não está instalada ou não pode ser "
    "carregada; sem tela só pode ser iniciada a execução automática",
};

// One pass, so a part that itself holds "%2" is not replaced again.
std::string fill(const char* pattern, std::initializer_list<std::string> args) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (*p == '%' && p[1] >= '1' && p[1] <= '9') {
      const auto k = static_cast<std::size_t>(p[1] - '1');
      if (k < args.size()) {
        out += *(args.begin() + k);
        ++p;
        continue;
      }
    }
    out += *p;
  }
  return out;
}

}  // namespace

std::string GetExtraMsgIn(ExtraMsg id, int lenguaje, std::initializer_list<std::string> args) {
  const auto k = static_cast<std::size_t>(id);
  if (k >= kCount) return {};
  const Block& block = lenguaje == 1000 ? kEn : lenguaje == 2000 ? kPt : kEs;
  return fill(block[k], args);
}

std::string GetExtraMsg(ExtraMsg id, std::initializer_list<std::string> args) {
  return GetExtraMsgIn(id, gCfgFile ? gCfgFile->LENGUAJE : 0, args);
}

std::string systemReasonIn(int err, int lenguaje) {
  const auto text = [lenguaje](ExtraMsg id, std::initializer_list<std::string> args = {}) {
    return GetExtraMsgIn(id, lenguaje, args);
  };
  switch (err) {
    case ELOOP:
      return text(ExtraMsg::NotPlainFile);
    case EACCES:
    case EPERM:
      return text(ExtraMsg::ReasonAccess);
    case ENOENT:
      return text(ExtraMsg::ReasonMissing);
    case ENOSPC:
      return text(ExtraMsg::ReasonDiskFull);
    case EDQUOT:
      return text(ExtraMsg::ReasonQuota);
    case EROFS:
      return text(ExtraMsg::ReasonReadOnly);
    case EISDIR:
      return text(ExtraMsg::ReasonIsFolder);
    case ENOTDIR:
      return text(ExtraMsg::ReasonNotFolder);
    case EFBIG:
      return text(ExtraMsg::ReasonFileTooBig);
    case EIO:
      return text(ExtraMsg::ReasonIo);
    case EBUSY:
      return text(ExtraMsg::ReasonBusy);
    case EINVAL:
      return text(ExtraMsg::ReasonInvalid);
    case ENXIO:  // a FIFO nobody reads, a device that is not there
      return text(ExtraMsg::ReasonNotPlain);
    default: {
      const char* name = ::strerrorname_np(err);
      return text(ExtraMsg::ReasonSystem, {name ? name : std::to_string(err)});
    }
  }
}

std::string systemReason(int err) { return systemReasonIn(err, gCfgFile ? gCfgFile->LENGUAJE : 0); }

std::string fileReasonIn(const basekit::FileError& error, int lenguaje) {
  using basekit::FileFault;
  switch (error.kind) {
    case FileFault::System:
      break;
    case FileFault::SymbolicLink:
      return GetExtraMsgIn(ExtraMsg::NotPlainFile, lenguaje);
    case FileFault::SecondName:
      return GetExtraMsgIn(ExtraMsg::ReasonSecondName, lenguaje);
    case FileFault::NotPlainFile:
      return GetExtraMsgIn(ExtraMsg::ReasonNotPlain, lenguaje);
    case FileFault::TooLarge:
      return GetExtraMsgIn(ExtraMsg::ReasonFileTooBig, lenguaje);
    case FileFault::ReplacedWhileRead:
      return GetExtraMsgIn(ExtraMsg::ReasonReplacedWhileRead, lenguaje);
  }
  return systemReasonIn(error.err, lenguaje);
}

std::string fileReason(const basekit::FileError& error) {
  return fileReasonIn(error, gCfgFile ? gCfgFile->LENGUAJE : 0);
}

std::string fileFailure(const basekit::FileError& error) {
  return error.path + ": " + fileReason(error);
}
